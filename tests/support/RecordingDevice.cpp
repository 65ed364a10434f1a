#include "support/RecordingDevice.h"

#include "support/MessageLoop.h"

namespace testing_support
{
void RecordingDevice::receivedFromApplication (int, const juce::MidiMessage& message)
{
    received.push_back (message);
}

void RecordingInterfaceTest::SetUp()
{
    service.addPortPair ("Recording Interface", &device);
    mc = std::make_unique<MainComponent> (service);
    mc->createDeviceList (true);
    mc->createDeviceList (false);
    runMessageLoopFor (20);
}

void RecordingInterfaceTest::TearDown()
{
    mc.reset();
}

zun::CCProcessorBlock& RecordingInterfaceTest::block()
{
    return mc->deviceContainer.block;
}

int RecordingInterfaceTest::countDisabledChildren()
{
    int disabled = 0;
    for (auto* child : mc->getChildren())
        disabled += child->isEnabled() ? 0 : 1;
    return disabled;
}
} // namespace testing_support
