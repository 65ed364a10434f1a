#include "app/TessalineApplication.h"

START_JUCE_APPLICATION (TessalineApplication)
