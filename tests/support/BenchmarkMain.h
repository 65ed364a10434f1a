#pragma once

// Included only by the benchmark programs: the test-support library itself does not link Google
// Benchmark, so this stays in the header.
#include <benchmark/benchmark.h>
#include <juce_gui_basics/juce_gui_basics.h>

namespace testing_support
{
// The main() of a benchmark program that drives JUCE components: initialises JUCE's GUI on this
// thread for the whole run, then runs the benchmarks the command line selects.
inline int runBenchmarksWithJuce (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    benchmark::Initialize (&argc, argv);

    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
} // namespace testing_support
