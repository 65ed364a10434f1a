// Throughput of the protocol library's two hot paths: framing a request and checking a reply.

#include "protocol/DeviceContainer.h"
#include "protocol/RequestTemplates.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace
{
// A CC-processor reply of 165 payload bytes (189 framed) in session 00ABCDEF, framed by a
// second builder standing in for the interface.
juce::MidiMessage MakeCCProcessorReply()
{
    std::vector<unsigned char> payload{0x43, 0x06, 0x10};

    for (unsigned char n = 1; n <= 8; ++n)
    {
        if (n == 1)
            payload.insert (payload.end(), {0x07, 0x04, 0x02, 0x05, 0x01, 0x0A, n});
        else
            payload.insert (payload.end(), {0x05, 0x04, 0x01, 0x0A, n});

        payload.insert (payload.end(), {0x0F, 0x03, 0x01, 0x0C, 0x12, 0x01, 0x03, 0x02, 0x03, 0x7F, 0x7F,
                                        0x03, 0x07, 0x04, 0x0B});
    }

    zun::SysexMessage interfaceSide;
    interfaceSide.sessionId = 0x00ABCDEF;
    return interfaceSide.CreateMessage (payload.data(), static_cast<unsigned short> (payload.size()));
}
} // namespace

static void BM_FrameBuild_CCProcessorRequest (benchmark::State& state)
{
    zun::SysexMessage builder;
    builder.productId = 0x0123;
    builder.serialNumber = 0x9A1B2C3D;
    builder.sessionId = 0x00ABCDEF;

    for (auto _ : state)
    {
        auto frame = builder.CreateMessage (SXMessage_GetSettingsCCProcessorInfo,
                                            zun::TemplateLength::GetSettingsCCProcessorInfo);
        benchmark::DoNotOptimize (frame.getRawData());
    }

    state.SetItemsProcessed (state.iterations());
    state.SetBytesProcessed (state.iterations() * (zun::TemplateLength::GetSettingsCCProcessorInfo + zun::Frame::overhead));
}
BENCHMARK (BM_FrameBuild_CCProcessorRequest);

static void BM_FrameCheck_CCProcessorReply (benchmark::State& state)
{
    auto container = std::make_unique<zun::DeviceContainer>();
    container->sysexMessage.sessionId = 0x00ABCDEF;
    const auto reply = MakeCCProcessorReply();

    if (!container->IsValidMidiMessage (reply))
    {
        state.SkipWithError ("the reply does not pass the frame check");
        return;
    }

    for (auto _ : state)
        benchmark::DoNotOptimize (container->IsValidMidiMessage (reply));

    state.SetItemsProcessed (state.iterations());
    state.SetBytesProcessed (state.iterations() * reply.getRawDataSize());
}
BENCHMARK (BM_FrameCheck_CCProcessorReply);

BENCHMARK_MAIN();
