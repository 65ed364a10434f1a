// A full settings read ("Get Settings" to the filled editor) against an emulated interface that
// answers at once, through the real MIDI hand-off and message loop: the time per exchange is what
// the application and the hand-off cost, with no device latency. Discovery runs once per size, in
// set-up; the read itself has no fixed pauses.
#include "app/MainComponent.h"
#include "emulator/EmulatedInterface.h"
#include "emulator/VirtualMidiService.h"
#include "support/BenchmarkMain.h"

#include <benchmark/benchmark.h>
#include <functional>
#include <memory>

namespace juce
{
// The step of the application's own message loop (MessageManager::runDispatchLoop): dispatches
// the next message, waiting for one if none is pending. Running the loop through it measures the
// hand-off as the application sees it, without the 1 ms naps of runDispatchLoopUntil.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace
{
void dispatchUntil (const std::function<bool()>& done)
{
    while (! done())
        juce::dispatchNextMessageOnSystemQueue (false);
}

struct ReadRig
{
    ReadRig (int numPorts, int numPresets, bool monitorOn)
        : emulated (EmulatedInterface::makeTypical (0x0123, 0x0A5B6C7D, "Bench Interface", numPorts, numPresets))
    {
        emulated->setLogging (false);
        emulated->attach (service, "Bench Port");
        main = std::make_unique<MainComponent> (service);
        main->showMidiMessagesToggle.setToggleState (monitorOn, juce::dontSendNotification);

        // Discovery, once: the 500 ms window and the product-name pass.
        main->searchClicked();
        const auto end = juce::Time::getMillisecondCounterHiRes() + 5000.0;

        while (main->requestState != Idle || main->discoveryItem.devices.isEmpty())
        {
            if (juce::Time::getMillisecondCounterHiRes() > end)
                break;

            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
        }

        main->deviceSelector->selectRow (0);
    }

    ~ReadRig() { main.reset(); }

    bool ready() const { return main->discoveryItem.devices.size() == 1 && main->requestState == Idle; }

    void read()
    {
        main->getSettingsClicked();
        dispatchUntil ([this]
                       { return main->requestState == Idle && main->guiPopulated; });
    }

    VirtualMidiService service;
    std::unique_ptr<EmulatedInterface> emulated;
    std::unique_ptr<MainComponent> main;
};

// Arguments: ports, presets, monitor ticked (0 or 1).
void BM_SettingsRead (benchmark::State& state)
{
    const int ports = (int) state.range (0);
    const int presets = (int) state.range (1);
    const bool monitorOn = state.range (2) != 0;

    ReadRig rig (ports, presets, monitorOn);

    if (! rig.ready())
    {
        state.SkipWithError ("the emulated interface was not discovered");
        return;
    }

    // MI, DI and DF, one request per preset and per port, and both CC-processor sides per port.
    const int exchanges = 3 + juce::jmax (1, presets) + 3 * juce::jmax (1, ports);

    for (auto _ : state)
    {
        rig.read();

        // A log that grows across iterations would measure the log, not the read.
        if (monitorOn)
        {
            state.PauseTiming();
            rig.main->clearLog();
            state.ResumeTiming();
        }
    }

    if (! rig.main->guiPopulated || rig.main->deviceContainer.block.portCount != ports)
        state.SkipWithError ("the read did not fill the model");

    state.counters["exchanges"] = exchanges;
    state.counters["time_per_exchange"] = benchmark::Counter ((double) exchanges * (double) state.iterations(),
                                                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK (BM_SettingsRead)
    ->ArgNames ({ "ports", "presets", "monitor" })
    ->Args ({ 10, 4, 0 })
    ->Args ({ 96, 32, 0 })
    ->Args ({ 10, 4, 1 })
    ->Args ({ 96, 32, 1 })
    ->Unit (benchmark::kMillisecond)
    ->UseRealTime();
} // namespace

int main (int argc, char** argv)
{
    return testing_support::runBenchmarksWithJuce (argc, argv);
}
