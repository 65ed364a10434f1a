#pragma once

#include "emulator/VirtualMidiService.h"
#include "protocol/CCProcessorBlock.h"

#include <functional>
#include <vector>

// An emulated interface of the family: answers the twelve requests of the device protocol with
// the replies an interface gives, keeps its own settings and presets, and applies the changes and
// preset commands it is sent. Attach it to a VirtualMidiService through one or more port pairs.
class EmulatedInterface : public VirtualMidiService::Device
{
public:
    enum class RequestKind
    {
        DeviceDiscovery,
        GetProductName,
        GetSettingsMI,
        GetSettingsDI,
        GetSettingsDF,
        GetSettingsPresetName,
        GetSettingsMIDIPortInfo,
        GetSettingsCCProcessorInfo,
        SetCCProc,
        SetPortFeatureFlags,
        LoadPreset,
        SavePreset,
        Unknown
    };

    static const char* getRequestKindName (RequestKind kind);

    struct Port
    {
        uint8_t portType = zun::DIN;
        uint8_t jackA = 0;
        uint8_t jackB = 1;
        uint8_t directionFlags = zun::hasInputSide | zun::hasOutputSide;
        uint8_t inputFeatureFlags = 0;
        uint8_t outputFeatureFlags = 0;
        juce::String inputName;
        juce::String outputName;
        zun::CCProcessorRecord inputCCProcessors[zun::maxCCProcessorsPerSide];
        zun::CCProcessorRecord outputCCProcessors[zun::maxCCProcessorsPerSide];
    };

    struct Preset
    {
        juce::String name;
        std::vector<Port> storedPorts; // the CC processors and flags stored in the preset
    };

    // One request received or one reply sent.
    struct LogEntry
    {
        bool received = false;              // true: a request received; false: a reply sent
        RequestKind kind = RequestKind::Unknown;
        std::vector<uint8_t> frame;         // the whole frame
        juce::String line;                  // one line of text describing it
    };

    EmulatedInterface (uint16_t productId, uint32_t serialNumber, const juce::String& productName);
    ~EmulatedInterface() override;

    // Adds a port pair named `portName` to the service with this interface behind it; may be
    // called more than once (one interface behind several pairs). Returns the pair's index.
    int attach (VirtualMidiService& service, const juce::String& portName);

    // A realistic interface: DIN 1-2, USB device, USB host, two network ports and a control port,
    // presets with names.
    static std::unique_ptr<EmulatedInterface> makeTypical (uint16_t productId, uint32_t serialNumber,
                                                           const juce::String& productName,
                                                           int numPorts = 10, int numPresets = 4);

    // ---- settings (guarded: lock while the interface may be receiving)
    juce::CriticalSection lock;
    uint16_t productId;
    uint32_t serialNumber;
    juce::String productName;
    uint8_t usbNamingByte = 2;
    uint8_t currentPreset = 1;
    std::vector<Port> ports;
    std::vector<Preset> presets;

    // ---- fault switches
    void setSilentOn (RequestKind kind, bool silent = true);
    void setReplyDelayMs (double delayMs);
    void setNegativeAcknowledgement (uint8_t errorCode); // 0 switches it off
    void setReplySessionOverride (bool enabled, uint32_t sessionId = 0);
    void setCorruptChecksum (bool corrupt);
    // Reported counts instead of the real ones (-1: report the real count).
    void setReportedCounts (int portCount, int presetCount, int ccProcessorsPerSide);
    // Sends foreign traffic to the application on every attached pair: MIDI clock, a note on and
    // off, and a System Exclusive message of another manufacturer.
    void sendForeignTraffic();
    // Sends a raw message to the application on every attached pair.
    void sendRaw (const juce::MidiMessage& message, double delayMs = 0.0);

    // ---- log
    void setLogging (bool enabled);
    std::vector<LogEntry> getLog() const;
    std::vector<LogEntry> getReceivedRequests() const;
    juce::StringArray getLogLines() const;
    void clearLog();
    // Called with the text of every new log line as it is logged, on the thread that handled the
    // request, with the lock released. An empty function stops the calls.
    void setLogListener (std::function<void (const juce::String&)> listener);

    void receivedFromApplication (int pairIndex, const juce::MidiMessage& message) override;

    // What the interface does with one message from the application, without sending anything:
    // checks the frame and its address, works out which request it is, applies set and command
    // requests, logs the request and the reply, and returns the reply frames (none when the
    // message is not answered). receivedFromApplication sends what this returns.
    std::vector<juce::MidiMessage> handleRequest (const juce::MidiMessage& message);

    // Which of the twelve requests a payload is (Unknown when it is none of them).
    static RequestKind classifyPayload (const uint8_t* payload, int length);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
