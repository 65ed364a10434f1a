#pragma once

#include "app/MessageLogView.h"
#include "app/MidiCallbackMessage.h"
#include "app/MidiDeviceListEntry.h"
#include "app/MidiService.h"
#include "app/ZUNDeviceListBox.h"
#include "protocol/DeviceContainer.h"
#include "protocol/DeviceDiscoveryItem.h"

#include <deque>
#include <juce_gui_basics/juce_gui_basics.h>

// Which reply MainComponent awaits.
enum RequestState : uint8_t
{
    Idle = 0,
    Discovering = 1,
    ReadingProductNames = 2,
    AwaitingMidiInfo = 3,
    AwaitingDeviceInfo = 4,
    AwaitingDeviceFeature = 5,
    AwaitingPresetNames = 6,
    AwaitingPortInfo = 7,
    AwaitingCCProcessorInfo = 8,
    AwaitingLoadPresetAck = 9,
    AwaitingSavePresetAck = 10,
    AwaitingChangeAck = 11
};

// The numbered timers of MainComponent and the waits of the device work.
enum TimerId
{
    discoveryWindowTimer = 0,
    replyTimeoutTimer = 1,
    pauseTimer = 2
};

constexpr int discoveryWindowMs = 500;
constexpr int productNamePauseMs = 400;
constexpr int replyTimeoutMs = 2000;
constexpr int presetLoadPauseMs = 200;

// The interfaces' pauses: the work that goes on when each falls due.
enum class Pause : uint8_t
{
    none,
    beforeProductNames, // after the discovery window
    beforeReadAfterLoad // after a good preset load's acknowledgement
};

// A change or preset command sent and not yet acknowledged.
struct AwaitedCommand
{
    uint8_t state;          // the state that awaits its acknowledgement
    uint32_t transactionId; // that of the frame that carried it, echoed by the acknowledgement
};

// The one content component of the main window: every widget, the MIDI ports, the protocol state
// of the selected interface, the discovered interfaces and the request state.
//
// The members are public so that the test harness can drive the real widgets and read the state;
// the event entry points stay private.
class MainComponent : public juce::Component,
                      private juce::MultiTimer,
                      private MidiPortInputCallback,
                      private juce::MessageListener,
                      private juce::Button::Listener,
                      private juce::ComboBox::Listener
{
public:
    // Uses the application's MIDI service (MidiService::getDefault).
    MainComponent();

    // Uses the given MIDI service, which must outlive the component.
    explicit MainComponent (MidiService& service);

    ~MainComponent() override;

    void paint (juce::Graphics&) override;
    void resized() override;

    void addLabelAndSetStyle (juce::Label& label);

    // ---- MIDI ports (MainComponentPorts.cpp)
    void createDeviceList (bool isInput);
    void openDevice (bool isInput, int index);
    void closeDevice (bool isInput, int index);
    void openDevice (int item);
    void closeDevice (int item);
    void sendToOutputs (const juce::MidiMessage& message);

    // ---- Request engine (MainComponentRequestEngine.cpp)
    // The send step: builds the frame from a patched template, then sendFrame.
    void sendRequest (unsigned char* payload, unsigned short length);
    // Stamps, logs as sent, sends on every open output and starts the reply time-out.
    void sendFrame (juce::MidiMessage frame);
    // A modal warning box with one button "Shucks".
    void showAlert (const juce::String& title, const juce::String& message);
    // Sends a change or preset command from a patched template and awaits its acknowledgement in
    // `state` (AwaitingLoadPresetAck, AwaitingSavePresetAck or AwaitingChangeAck), behind those
    // still awaited, or in place of whatever other reply was awaited.
    void sendCommand (uint8_t state, unsigned char* payload, unsigned short length);
    // Takes the oldest awaited acknowledgement off the queue; the next one, if any, is awaited from
    // now on, with the reply time-out started again.
    void takeOldestAcknowledgement();
    // Forgets every awaited reply and acknowledgement, stops the reply time-out and cancels a
    // pending pause. A load whose acknowledgement is abandoned leaves no current preset.
    void abandonAwaitedReplies();
    // Whether a preset load has been sent and not yet acknowledged.
    bool loadAwaitsAcknowledgement() const;
    // Waits `ms` on the pause timer before the paused work goes on, without blocking the thread.
    void startPause (Pause pause, int ms);
    // Goes on with the paused work once the pause has lasted its whole length.
    void pauseFallingDue();

    // ---- Discovery and the device list (MainComponentDiscovery.cpp)
    void searchClicked();
    void discoveryWindowEnded();
    // After the pause that follows the discovery window: asks the first interface its name.
    void startProductNamePass();
    void handleDiscoveryReply (const MidiCallbackMessage& incoming);
    void handleProductNameReply (const juce::MidiMessage& reply);
    void deviceSelectionChanged (int row);

    // ---- Settings read chain, presets and acknowledgements (MainComponentSettingsRead.cpp)
    void getSettingsClicked();
    void loadPresetClicked();
    void savePresetClicked();
    bool presetCommandsAllowed() const;
    void handleSettingsReply (const juce::MidiMessage& reply);
    void handleAcknowledgement (const juce::MidiMessage& reply);
    // Starts the port pass of the read chain at port 1; after a good load's pause the read goes on
    // from here too.
    void readPortDescriptions();

    // ---- Editor grid (MainComponentEditorGrid.cpp)
    void createGUI();
    void setModeComboBoxItems (juce::ComboBox* combo);
    void setControllerComboBoxItems (juce::ComboBox* combo);

    // ---- Editor display (MainComponentEditorDisplay.cpp)
    void setGUI();
    void updateGUI();
    void clrGUI();
    // Enables or disables the 24 row combo boxes, the 128 channel toggles and "Enable".
    void setGridEnabled (bool enabled);

    // ---- Editor edits and sends (MainComponentEditorEdits.cpp)
    void appComboBoxChanged (juce::ComboBox* combo);
    void appButtonClicked (juce::Button* button);
    void changeModeCombo (juce::ComboBox* combo, int row);
    void changeCCIDCombo (juce::ComboBox* combo, int controller, int row);
    void changeChannelCheckbox (juce::Button* button, int row, unsigned short channelBit);
    void updateDeviceCCProc (int row);
    void sendFeatureFlags();

    // ---- MIDI monitor (MainComponentMonitor.cpp)
    void addMessageToList (const juce::MidiMessage& message, bool sent);
    void clearLog();

    // ------------------------------------------------------------------------------------------
    MidiService& midiService;

    juce::Label selectInterfaceLabel;
    juce::Label versionLabel;
    MessageLogView messageLog;
    juce::TextButton searchButton;
    juce::TextButton clearLogButton;
    juce::TextButton getSettingsButton;
    juce::ToggleButton showMidiMessagesToggle;
    juce::ReferenceCountedArray<MidiDeviceListEntry> midiInputs;
    juce::ReferenceCountedArray<MidiDeviceListEntry> midiOutputs;
    std::unique_ptr<ZUNDeviceListBox> deviceSelector;
    zun::DeviceContainer deviceContainer;
    uint8_t requestState = Idle;
    // The acknowledgements awaited, oldest first: for each change or preset command sent and not
    // yet acknowledged, the state that awaits it and its frame's transaction ID. The interface
    // acknowledges in the order it was sent the commands and echoes each one's ID, so an
    // acknowledgement answers the oldest command only when it carries that command's ID. While it
    // is not empty, requestState is the oldest entry's state.
    std::deque<AwaitedCommand> awaitedAcknowledgements;
    // Set when "Get Settings" addresses the selected interface; cleared by "Search". A serial
    // number of 0 is a valid interface, so the frame builder's target cannot tell this.
    bool interfaceAddressed = false;
    // While an alert box is open: the messages that arrived, and whether the reply time-out fell due.
    bool alertOpen = false;
    bool handlingEventsKeptByAlert = false;
    std::deque<std::unique_ptr<MidiCallbackMessage>> messagesKeptByAlert;
    bool replyTimeoutKeptByAlert = false;
    // The device pause that is running, if any; while it runs incoming messages are only listed.
    // When it falls due behind an alert box it waits there like the reply time-out.
    Pause pendingPause = Pause::none;
    double pauseDueAt = 0.0; // milliseconds of the high-resolution clock
    bool pauseKeptByAlert = false;
    zun::DeviceDiscoveryItem discoveryItem;
    int32_t logLineCount = 1;
    bool guiPopulated = false;

    // The CC-processor editor.
    static constexpr int numRows = 8;
    static constexpr int numChannels = 16;

    juce::Label midiPortLabel;
    juce::ComboBox midiPortCombo;
    juce::ToggleButton enableToggle;
    juce::ToggleButton inToggle;
    juce::ToggleButton outToggle;
    juce::Label presetLabel;
    juce::ComboBox presetCombo;
    juce::TextButton loadPresetButton;
    juce::TextButton savePresetButton;
    juce::Label procHeaderLabel;
    juce::Label modeHeaderLabel;
    juce::Label channelHeaderLabels[numChannels];
    juce::Label controller1HeaderLabel;
    juce::Label controller2HeaderLabel;
    juce::Label procNumberLabels[numRows];
    juce::ComboBox modeCombos[numRows];
    juce::ComboBox controller1Combos[numRows];
    juce::ComboBox controller2Combos[numRows];
    juce::ToggleButton channelToggles[numRows][numChannels];

private:
    void timerCallback (int timerId) override;
    void handleMessage (const juce::Message& message) override;
    void buttonClicked (juce::Button* button) override;
    void comboBoxChanged (juce::ComboBox* combo) override;
    void handleIncomingMidiMessage (MidiPortInput* source, const juce::MidiMessage& message) override;

    // The reply time-out of timer 1.
    void replyTimedOut();
    // Checks an incoming message as a frame and hands it to the handler of the awaited reply.
    void actOnMessage (const MidiCallbackMessage& incoming);
    void handleEventsKeptByAlert();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
