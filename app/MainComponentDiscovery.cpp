#include "app/DeviceExchangeHelpers.h"
#include "app/MainComponent.h"
#include "protocol/NameItem.h"
#include "protocol/RequestTemplates.h"

namespace
{
// Seconds of the high-resolution clock: the time stamp of every frame sent.
double nowInSeconds()
{
    return juce::Time::getMillisecondCounterHiRes() * 0.001;
}

// The product-name reply: 43 02 01; [block length] 03 01 [Ln] 01 [name].
constexpr int minProductNamePayload = 8;
constexpr int productNameItemPos = 28;

// clang-format off
constexpr exchange::ByteTest productNameReplyTests[] = {
    exchange::is (22, 0x43), // RetParmVal
    exchange::is (23, 0x02), // DeviceInfo
    exchange::is (26, 0x03), // ParmVal block
    exchange::is (29, 0x01), // parm 01: product name
};
// clang-format on

bool isProductNameReply (const juce::MidiMessage& message)
{
    return exchange::passes (message, minProductNamePayload, true, std::begin (productNameReplyTests), std::end (productNameReplyTests));
}
} // namespace

void MainComponent::searchClicked()
{
    abandonAwaitedReplies();
    interfaceAddressed = false;

    // OwnedArray::clear deletes the entries from the last to the first and frees the storage.
    discoveryItem.devices.clear();

    exchange::forgetInterface (deviceContainer);

    requestState = Discovering;

    // lastSelectedRow goes first, so the deselection closes no port: the rebuild below closes them.
    deviceSelector->lastSelectedRow = -1;
    deviceSelector->deselectAllRows();
    deviceSelector->updateContent();

    clrGUI();

    createDeviceList (true);
    createDeviceList (false);

    // One discovery frame per opened output, each with its own transaction ID, so a reply tells
    // which output reaches the interface.
    for (auto* entry : midiOutputs)
    {
        if (entry->outputDevice == nullptr)
            continue;

        auto frame = deviceContainer.sysexMessage.CreateMessage (SXMessage_DeviceDiscovery, zun::TemplateLength::DeviceDiscovery);
        frame.setTimeStamp (nowInSeconds());
        entry->discoveryTransactionId = (int32_t) zun::Frame::TransactionId (frame.getRawData());
        addMessageToList (frame, true);
        entry->outputDevice->sendMessageNow (frame);
    }

    startTimer (discoveryWindowTimer, discoveryWindowMs);
}

void MainComponent::handleDiscoveryReply (const MidiCallbackMessage& incoming)
{
    if (midiInputs.isEmpty())
        return;

    int inputIndex = -1;

    for (int i = 0; i < midiInputs.size(); ++i)
    {
        auto* input = midiInputs.getUnchecked (i)->inputDevice.get();

        if (input != nullptr && input == incoming.source)
        {
            inputIndex = i;
            break;
        }
    }

    if (inputIndex < 0 || midiOutputs.isEmpty())
        return;

    const auto& reply = incoming.message;

    if (reply.getRawDataSize() < zun::Frame::overhead)
        return;

    // The interface echoes the transaction ID of the request it answers.
    const auto transactionId = (int32_t) zun::Frame::TransactionId (reply.getRawData());
    int outputIndex = -1;

    for (int i = 0; i < midiOutputs.size(); ++i)
    {
        auto* entry = midiOutputs.getObjectPointerUnchecked (i);

        if (entry->outputDevice != nullptr && entry->discoveryTransactionId == transactionId)
        {
            outputIndex = i;
            break;
        }
    }

    if (outputIndex < 0)
        return;

    // Drops non-discovery replies and repeats of an interface already listed.
    discoveryItem.AddDevice (reply, inputIndex, outputIndex);
}

void MainComponent::discoveryWindowEnded()
{
    stopTimer (discoveryWindowTimer);

    if (requestState != Discovering)
        return;

    for (int i = 0; i < midiInputs.size(); ++i)
        if (midiInputs.getUnchecked (i)->inputDevice != nullptr)
            closeDevice (true, i);

    for (int i = 0; i < midiOutputs.size(); ++i)
        if (midiOutputs.getUnchecked (i)->outputDevice != nullptr)
            closeDevice (false, i);

    if (discoveryItem.devices.isEmpty())
    {
        requestState = Idle;
        deviceSelector->lastSelectedRow = -1;
        deviceSelector->deselectAllRows();
        deviceSelector->updateContent();
        return;
    }

    // Gives the interfaces time to settle after the broadcast before they are asked one by one.
    startPause (Pause::beforeProductNames, productNamePauseMs);
}

void MainComponent::startProductNamePass()
{
    if (discoveryItem.devices.isEmpty())
        return;

    discoveryItem.currentIndex = 0;
    const auto* first = discoveryItem.devices.getUnchecked (0);
    openDevice (true, first->inputIndex);
    openDevice (false, first->outputIndex);

    requestState = ReadingProductNames;
    sendRequest (SXMessage_GetProductName, zun::TemplateLength::GetProductName);
}

void MainComponent::handleProductNameReply (const juce::MidiMessage& reply)
{
    if (! isProductNameReply (reply))
        return;

    // A name item that does not lie inside the payload counts as no name: the reply is still
    // taken, so one badly formed answer does not stop the pass for every interface after it.
    deviceContainer.productName = {};
    zun::ReadNameItem (reply.getRawData(), productNameItemPos, exchange::payloadEnd (reply), deviceContainer.productName);

    stopTimer (replyTimeoutTimer);

    auto& devices = discoveryItem.devices;
    auto& index = discoveryItem.currentIndex;

    closeDevice (index);

    if (juce::isPositiveAndBelow (index, devices.size()))
    {
        auto* device = devices.getUnchecked (index);
        device->displayName = deviceContainer.productName + juce::String::formatted (" SN: %08X", (unsigned int) device->serialNumber);
    }

    ++index;

    if (index >= devices.size())
    {
        requestState = Idle;
        deviceSelector->lastSelectedRow = -1;
        deviceSelector->deselectAllRows();
        deviceSelector->updateContent();
        return;
    }

    openDevice (index);
    sendRequest (SXMessage_GetProductName, zun::TemplateLength::GetProductName);
}

void MainComponent::deviceSelectionChanged (int row)
{
    auto& lastSelectedRow = deviceSelector->lastSelectedRow;

    if (row == lastSelectedRow)
        return;

    clrGUI();
    stopTimer (replyTimeoutTimer);

    // What was awaited from the interface selected before (a read, a re-read, acknowledgements or
    // the pause after a load) is abandoned: replies it still sends, some perhaps already queued,
    // must not fill the editor or the model under the new row. Discovery and the product-name pass
    // are left alone; no row can be selected while they run.
    if (requestState != Discovering && requestState != ReadingProductNames)
        abandonAwaitedReplies();

    if (lastSelectedRow >= 0)
        closeDevice (lastSelectedRow);

    if (juce::isPositiveAndBelow (row, discoveryItem.devices.size()))
        openDevice (row);

    lastSelectedRow = row;
}
