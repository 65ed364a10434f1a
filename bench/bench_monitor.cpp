// The MIDI monitor's cost per line as the log grows: a line appended to a log that already holds
// 1,000 lines should cost about what it costs at 50,000. Copying the whole log should cost in
// proportion to its size.
#include "app/MainComponent.h"
#include "emulator/VirtualMidiService.h"
#include "support/BenchmarkMain.h"

#include <benchmark/benchmark.h>
#include <limits>

namespace
{
// The main window's content laid out at its default size (not put on the desktop, so the program
// runs under a bare X server too), monitor ticked, the log filled to `lines` lines that repeat
// `mix` (by default clock, notes, a controller).
struct LaidOutMonitor
{
    explicit LaidOutMonitor (int lines, std::vector<juce::MidiMessage> mix = typicalMix())
        : messages (std::move (mix))
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

    static std::vector<juce::MidiMessage> typicalMix()
    {
        return { juce::MidiMessage::midiClock(),
                 juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100),
                 juce::MidiMessage::noteOff (1, 60),
                 juce::MidiMessage::controllerEvent (1, 7, 100) };
    }

    std::vector<juce::MidiMessage> messages;
    VirtualMidiService service;
    MainComponent mc { service };
    juce::Image image;
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

// Selects the whole log and takes the text a copy puts on the clipboard. Every fourth line is the
// 299-character dump of a 100-byte System Exclusive message that is no frame of this protocol.
void BM_CopyWholeLog (benchmark::State& state)
{
    std::vector<juce::uint8> sysex (100);
    for (size_t i = 0; i < sysex.size(); ++i)
        sysex[i] = (juce::uint8) (i & 0x7f);
    sysex.front() = 0xf0;
    sysex.back() = 0xf7;

    auto mix = LaidOutMonitor::typicalMix();
    mix[3] = juce::MidiMessage (sysex.data(), (int) sysex.size());
    LaidOutMonitor monitor ((int) state.range (0), mix);
    auto& log = monitor.mc.messageLog;

    for (auto _ : state)
    {
        log.setSelection (0, 0, log.getNumLines() - 1, std::numeric_limits<int>::max());
        const auto text = log.getSelectedText();
        benchmark::DoNotOptimize (text.getCharPointer().getAddress());
    }

    state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) log.getSelectedText().getNumBytesAsUTF8());
}

BENCHMARK (BM_AppendLine)->Arg (1000)->Arg (50000)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_AppendLineAndPaint)->Arg (1000)->Arg (50000)->Unit (benchmark::kMicrosecond);
// 200,000 lines as well: from 50,000 on the log no longer fits in the processor's caches, and the
// cost grows in proportion to the text.
BENCHMARK (BM_CopyWholeLog)->Arg (1000)->Arg (50000)->Arg (200000)->Unit (benchmark::kMicrosecond);
} // namespace

int main (int argc, char** argv)
{
    return testing_support::runBenchmarksWithJuce (argc, argv);
}
