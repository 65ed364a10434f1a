#pragma once

// A main component wired to emulated interfaces through the in-process MIDI service, for the
// discovery, settings-read and preset tests. Everything runs on the real message loop.

#include "app/MainComponent.h"
#include "emulator/EmulatedInterface.h"
#include "emulator/VirtualMidiService.h"
#include "protocol/SysexMessage.h"
#include "support/AlertCatcher.h"
#include "support/MessageLoop.h"

#include <memory>
#include <vector>

namespace chain_test
{
using Kind = EmulatedInterface::RequestKind;
using Bytes = std::vector<uint8_t>;

struct Rig
{
    // Declared first so the interfaces outlive the service, and the service the component.
    std::vector<std::unique_ptr<EmulatedInterface>> interfaces;
    VirtualMidiService service;
    std::unique_ptr<MainComponent> main = std::make_unique<MainComponent> (service);
    testing_support::AlertCatcher alerts;

    ~Rig() { main.reset(); }

    EmulatedInterface& add (std::unique_ptr<EmulatedInterface> emulated, const juce::String& portName)
    {
        emulated->attach (service, portName);
        interfaces.push_back (std::move (emulated));
        return *interfaces.back();
    }

    EmulatedInterface& addTypical (uint16_t productId, uint32_t serial, const juce::String& name,
                                   const juce::String& portName, int numPorts = 10, int numPresets = 4)
    {
        return add (EmulatedInterface::makeTypical (productId, serial, name, numPorts, numPresets), portName);
    }

    // Clicks a button and runs the loop until the click has been handled.
    void click (juce::Button& button)
    {
        bool handled = false;
        button.onClick = [&handled] { handled = true; };
        button.triggerClick();
        testing_support::runMessageLoopUntil ([&] { return handled; }, 1000);
        button.onClick = nullptr;
    }

    // "Search", then waits for discovery and the product-name pass to end.
    bool search (int timeoutMs = 4000)
    {
        click (main->searchButton);
        return testing_support::runMessageLoopUntil ([this] { return main->requestState == Idle; }, timeoutMs);
    }

    // Selects a row as a click on it would.
    void select (int row)
    {
        main->deviceSelector->selectRow (row);
    }

    // "Get Settings", then waits for the read-out to fill the editor.
    bool read (int timeoutMs = 5000)
    {
        click (main->getSettingsButton);
        return waitForReadOut (timeoutMs);
    }

    bool waitForReadOut (int timeoutMs = 5000)
    {
        return testing_support::runMessageLoopUntil ([this] { return main->requestState == Idle && main->guiPopulated; },
                                                     timeoutMs);
    }

    bool waitForState (uint8_t state, int timeoutMs = 3000)
    {
        return testing_support::runMessageLoopUntil ([this, state] { return main->requestState == state; }, timeoutMs);
    }

    // Search, select the first row and read it.
    bool searchSelectAndRead()
    {
        if (! search())
            return false;

        select (0);
        return read();
    }

    // Whether the list box shows a row at `row`: only rows it counted at its last refresh can be
    // selected. Leaves the selection as it found it.
    bool listShowsRow (int row)
    {
        auto& list = *main->deviceSelector;
        const auto before = list.getSelectedRow (0);
        list.selectRow (row);
        const bool shows = list.getSelectedRow (0) == row;

        if (before >= 0)
            list.selectRow (before);
        else
            list.deselectAllRows();

        return shows;
    }
};

// A user's choice in the preset selector.
inline void choosePreset (MainComponent& main, int id)
{
    main.presetCombo.setSelectedId (id, juce::sendNotificationSync);
}

// A user's change of row 1's mode to the next mode.
inline void changeFirstMode (MainComponent& main)
{
    const int id = main.modeCombos[0].getSelectedId();
    main.modeCombos[0].setSelectedId (id % 4 + 1, juce::sendNotificationSync);
}

// Runs the message loop until an alert box has been seen (long enough for a reply time-out).
inline bool waitForAlert (Rig& rig, int timeoutMs = replyTimeoutMs + 1000)
{
    return testing_support::runMessageLoopUntil ([&rig] { return ! rig.alerts.alerts.empty(); }, timeoutMs);
}

// Requests of one kind that an interface received, in order.
inline std::vector<EmulatedInterface::LogEntry> received (const EmulatedInterface& emulated, Kind kind)
{
    std::vector<EmulatedInterface::LogEntry> result;

    for (auto& entry : emulated.getReceivedRequests())
        if (entry.kind == kind)
            result.push_back (entry);

    return result;
}

inline int countReceived (const EmulatedInterface& emulated, Kind kind)
{
    return (int) received (emulated, kind).size();
}

// The requests of the settings read chain an interface received.
inline int countReadRequests (const EmulatedInterface& emulated)
{
    int n = 0;

    for (auto kind : { Kind::GetSettingsMI, Kind::GetSettingsDI, Kind::GetSettingsDF, Kind::GetSettingsPresetName,
                       Kind::GetSettingsMIDIPortInfo, Kind::GetSettingsCCProcessorInfo })
        n += countReceived (emulated, kind);

    return n;
}

// A reply frame as an interface would send it, in the given session, answering the request of
// this transaction ID, with this payload.
inline juce::MidiMessage makeReply (const EmulatedInterface& from, uint32_t sessionId, Bytes payload, uint32_t transactionId = 0)
{
    zun::SysexMessage builder;
    builder.productId = from.productId;
    builder.serialNumber = from.serialNumber;
    builder.sessionId = sessionId;
    builder.transactionId = transactionId;
    return builder.CreateMessage (payload.data(), (unsigned short) payload.size());
}

// An acknowledgement as the interface sends it, echoing the ID of the last request of that kind it received.
inline juce::MidiMessage makeAcknowledgement (const EmulatedInterface& from, const MainComponent& main, Kind kind, Bytes payload)
{
    const auto id = zun::Frame::TransactionId (received (from, kind).back().frame.data());
    return makeReply (from, main.deviceContainer.sysexMessage.sessionId, std::move (payload), id);
}

// The payload of a name item: [length][parm][text].
inline Bytes nameItem (uint8_t parm, const Bytes& text)
{
    Bytes item { (uint8_t) (text.size() + 2), parm };
    item.insert (item.end(), text.begin(), text.end());
    return item;
}

inline Bytes operator+ (Bytes a, const Bytes& b)
{
    a.insert (a.end(), b.begin(), b.end());
    return a;
}
} // namespace chain_test
