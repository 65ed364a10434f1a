// The MIDI monitor's cost per line as the log grows: a line appended to a log that already holds
// 1,000 lines should cost about what it costs at 50,000.
#include "app/MainComponent.h"
#include "emulator/VirtualMidiService.h"
#include "support/BenchmarkMain.h"

#include <benchmark/benchmark.h>

namespace
{
// The main window's content laid out at its default size (not put on the desktop, so the program
// runs under a bare X server too), monitor ticked, the log filled to `lines` lines of a typical
// mix (clock, notes, a controller).
struct LaidOutMonitor
{
    explicit LaidOutMonitor (int lines)
    {
        mc.setSize (1032, 528);
        mc.showMidiMessagesToggle.setToggleState (true, juce::dontSendNotification);

        for (int i = 0; i < lines; ++i)
            mc.addMessageToList (messages[(size_t) i % messages.size()], (i & 1) != 0);

        image = juce::Image (juce::Image::ARGB, mc.messageLog.getWidth(), mc.messageLog.getHeight(), true);
    }

    void paintLog()
    {
        juce::Graphics g (image);
        mc.messageLog.paintEntireComponent (g, false);
    }

    VirtualMidiService service;
    MainComponent mc { service };
    juce::Image image;
    std::vector<juce::MidiMessage> messages {
        juce::MidiMessage::midiClock(),
        juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100),
        juce::MidiMessage::noteOff (1, 60),
        juce::MidiMessage::controllerEvent (1, 7, 100),
    };
};

// Appends one line per iteration through the monitor's entry point.
void BM_AppendLine (benchmark::State& state)
{
    LaidOutMonitor monitor ((int) state.range (0));
    const auto clock = juce::MidiMessage::midiClock().withTimeStamp (12.5);

    for (auto _ : state)
        monitor.mc.addMessageToList (clock, false);

    state.counters["lines"] = monitor.mc.messageLog.getNumLines();
}

// Appends one line and repaints the log, as a busy input does when every line reaches the screen.
void BM_AppendLineAndPaint (benchmark::State& state)
{
    LaidOutMonitor monitor ((int) state.range (0));
    const auto clock = juce::MidiMessage::midiClock().withTimeStamp (12.5);

    for (auto _ : state)
    {
        monitor.mc.addMessageToList (clock, false);
        monitor.paintLog();
    }
}

BENCHMARK (BM_AppendLine)->Arg (1000)->Arg (50000)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_AppendLineAndPaint)->Arg (1000)->Arg (50000)->Unit (benchmark::kMicrosecond);
} // namespace

int main (int argc, char** argv)
{
    return testing_support::runBenchmarksWithJuce (argc, argv);
}
