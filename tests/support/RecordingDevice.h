#pragma once

#include "app/MainComponent.h"
#include "emulator/VirtualMidiService.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace testing_support
{
// The device side of a port pair: records what the application sends.
struct RecordingDevice : public VirtualMidiService::Device
{
    void receivedFromApplication (int, const juce::MidiMessage& message) override;

    std::vector<juce::MidiMessage> received;
};

// A main component whose device lists hold one port pair, "Recording Interface", with a
// RecordingDevice behind it; the lists are built and their asynchronous reports have passed.
struct RecordingInterfaceTest : public ::testing::Test
{
    RecordingDevice device;
    VirtualMidiService service;
    std::unique_ptr<MainComponent> mc;

    void SetUp() override;
    void TearDown() override;

    zun::CCProcessorBlock& block();

    // How many of the main component's child widgets are disabled.
    int countDisabledChildren();
};
} // namespace testing_support
