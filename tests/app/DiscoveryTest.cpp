#include "ChainTestRig.h"

#include <gtest/gtest.h>

using namespace chain_test;

namespace
{
constexpr uint16_t productA = 0x0123;
constexpr uint32_t serialA = 0x1A2B3C4D;
constexpr uint16_t productB = 0x0123;
constexpr uint32_t serialB = 0x00000042;

const zun::DiscoveredDevice* findDevice (MainComponent& main, uint32_t serial)
{
    for (auto* device : main.discoveryItem.devices)
        if (device->serialNumber == serial)
            return device;

    return nullptr;
}

juce::String inputName (MainComponent& main, int index)  { return main.midiInputs[index]->deviceInfo.name; }
juce::String outputName (MainComponent& main, int index) { return main.midiOutputs[index]->deviceInfo.name; }

int countOpenPorts (MainComponent& main)
{
    int n = 0;

    for (auto* entry : main.midiInputs)
        n += entry->inputDevice != nullptr ? 1 : 0;

    for (auto* entry : main.midiOutputs)
        n += entry->outputDevice != nullptr ? 1 : 0;

    return n;
}

// 43 02 01; [block length] 03 01 [item]
Bytes productNamePayload (const Bytes& item)
{
    return Bytes { 0x43, 0x02, 0x01, (uint8_t) (item.size() + 3), 0x03, 0x01 } + item;
}
} // namespace

TEST (Discovery, TwoInterfacesOnDifferentPairsAreListedByProductNameWithTheirOwnPorts)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
    auto& b = rig.addTypical (productB, serialB, "Beta", "Pair B");

    ASSERT_TRUE (rig.search());
    auto& main = *rig.main;

    ASSERT_EQ (main.discoveryItem.devices.size(), 2);

    struct Case { const char* what; uint32_t serial; const char* pair; const char* label; EmulatedInterface* emulated; };
    const Case cases[] = {
        { "Alpha", serialA, "Pair A", "Alpha SN: 1A2B3C4D", &a },
        { "Beta",  serialB, "Pair B", "Beta SN: 00000042",  &b },
    };

    for (const auto& c : cases)
    {
        const auto* device = findDevice (main, c.serial);
        ASSERT_NE (device, nullptr) << c.what;
        EXPECT_EQ (inputName (main, device->inputIndex), juce::String (c.pair)) << c.what;
        EXPECT_EQ (outputName (main, device->outputIndex), juce::String (c.pair)) << c.what;
        EXPECT_EQ (device->displayName, juce::String (c.label)) << c.what;
        EXPECT_EQ (countReceived (*c.emulated, Kind::DeviceDiscovery), 1) << c.what;
        EXPECT_EQ (countReceived (*c.emulated, Kind::GetProductName), 1) << c.what;
    }

    EXPECT_EQ (countOpenPorts (main), 0);
    EXPECT_TRUE (rig.alerts.alerts.empty());
    EXPECT_TRUE (rig.listShowsRow (1));
}

TEST (Discovery, AnInterfaceBehindTwoPairsMakesOneRecordThroughOnePair)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair 1");
    a.attach (rig.service, "Pair 2");

    ASSERT_TRUE (rig.search());
    auto& main = *rig.main;

    ASSERT_EQ (main.discoveryItem.devices.size(), 1);
    const auto* device = main.discoveryItem.devices[0];
    // Input and output come from the same accepted reply: the pair it answered through.
    EXPECT_EQ (inputName (main, device->inputIndex), outputName (main, device->outputIndex));
    EXPECT_EQ (device->displayName, juce::String ("Alpha SN: 1A2B3C4D"));
    EXPECT_EQ (countReceived (a, Kind::DeviceDiscovery), 2);
    EXPECT_EQ (countReceived (a, Kind::GetProductName), 1);
}

TEST (Discovery, AWindowWithoutAnswerEndsSilentlyWithAnEmptyList)
{
    struct Case { const char* what; int pairs; bool silent; bool portsFail; };
    const Case cases[] = {
        { "no MIDI port at all",         0, false, false },
        { "no interface answers",        2, true,  false },
        { "the ports do not open",       1, false, true  },
    };

    for (const auto& c : cases)
    {
        Rig rig;

        for (int i = 0; i < c.pairs; ++i)
        {
            auto& emulated = rig.addTypical (productA, serialA + (uint32_t) i, "Alpha", "Pair " + juce::String (i));
            emulated.setSilentOn (Kind::DeviceDiscovery, c.silent);

            if (c.portsFail)
                rig.service.setOpenFailure (i, true);
        }

        const auto started = juce::Time::getMillisecondCounterHiRes();
        ASSERT_TRUE (rig.search()) << c.what;

        EXPECT_GE (juce::Time::getMillisecondCounterHiRes() - started, discoveryWindowMs - 50) << c.what;
        EXPECT_EQ (rig.main->discoveryItem.devices.size(), 0) << c.what;
        EXPECT_EQ (countOpenPorts (*rig.main), 0) << c.what;
        EXPECT_FALSE (rig.listShowsRow (0)) << c.what;
        testing_support::runMessageLoopFor (100);
        EXPECT_TRUE (rig.alerts.alerts.empty()) << c.what;
    }
}

TEST (Discovery, LateRepliesOfAnEarlierSearchAreDropped)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
    a.setReplyDelayMs (200.0);

    rig.click (rig.main->searchButton);
    testing_support::runMessageLoopFor (50);

    // The second search's request goes unanswered; the first one's answer arrives during its
    // window, on the reopened input, echoing a transaction ID no output carries any more.
    a.setSilentOn (Kind::DeviceDiscovery);
    ASSERT_TRUE (rig.search());

    EXPECT_EQ (countReceived (a, Kind::DeviceDiscovery), 2);
    EXPECT_EQ (rig.main->discoveryItem.devices.size(), 0);
    EXPECT_EQ (countReceived (a, Kind::GetProductName), 0);
    EXPECT_TRUE (rig.alerts.alerts.empty());
}

TEST (Discovery, ForeignTrafficDuringTheWindowChangesNothing)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");

    rig.click (rig.main->searchButton);
    ASSERT_EQ (rig.main->requestState, Discovering);
    a.sendForeignTraffic();
    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&] { return rig.main->requestState == Idle; }, 4000));

    ASSERT_EQ (rig.main->discoveryItem.devices.size(), 1);
    EXPECT_EQ (rig.main->discoveryItem.devices[0]->displayName, juce::String ("Alpha SN: 1A2B3C4D"));
    EXPECT_TRUE (rig.alerts.alerts.empty());
}

TEST (Discovery, AProductNameTimeOutWarnsOnceAndALateReplyCompletesThePass)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
    a.setSilentOn (Kind::GetProductName);

    rig.click (rig.main->searchButton);
    ASSERT_TRUE (rig.waitForState (ReadingProductNames));
    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&] { return ! rig.alerts.alerts.empty(); }, replyTimeoutMs + 1000));

    EXPECT_EQ (rig.alerts.alerts[0].title, juce::String ("Time Out Error"));
    EXPECT_EQ (rig.main->requestState, ReadingProductNames);
    EXPECT_EQ (rig.service.getNumOpenInputs (0), 1); // the asked interface's ports stay open
    EXPECT_FALSE (rig.listShowsRow (0));

    a.sendRaw (makeReply (a, 0, productNamePayload (nameItem (0x01, { 'L', 'a', 't', 'e' }))));
    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&] { return rig.main->requestState == Idle; }, 2000));

    EXPECT_EQ (rig.main->discoveryItem.devices[0]->displayName, juce::String ("Late SN: 1A2B3C4D"));
    EXPECT_EQ (countOpenPorts (*rig.main), 0);
    EXPECT_TRUE (rig.listShowsRow (0));
    testing_support::runMessageLoopFor (100);
    EXPECT_EQ (rig.alerts.alerts.size(), 1u);
}

TEST (Discovery, ProductNameRepliesAreTestedAndTheirNamesBoundedToThePayload)
{
    struct Case { const char* what; Bytes payload; bool accepted; const char* label; };
    const Case cases[] = {
        { "a plain name",                      productNamePayload (nameItem (0x01, { 'A', 'x' })),                    true,  "Ax SN: 1A2B3C4D" },
        { "0x00 bytes are dropped",            productNamePayload (nameItem (0x01, { 'A', 0x00, 'B', 0x00 })),        true,  "AB SN: 1A2B3C4D" },
        { "an empty name",                     productNamePayload (nameItem (0x01, {})),                              true,  " SN: 1A2B3C4D" },
        // a name item that does not lie inside the payload counts as no name; the reply is taken
        { "an item reaching past the payload", productNamePayload ({ 0x20, 0x01, 'A', 'B', 'C' }),                    true,  " SN: 1A2B3C4D" },
        { "an item length below 2",            productNamePayload ({ 0x01, 0x01 }),                                   true,  " SN: 1A2B3C4D" },
        { "a payload shorter than 8",          Bytes { 0x43, 0x02, 0x01, 0x04, 0x03, 0x01, 0x02 },                    false, "" },
        { "another parm",                      productNamePayload (nameItem (0x02, { 'A' })),                         false, "" },
        { "another data class",                Bytes { 0x43, 0x03, 0x01, 0x06, 0x03, 0x01, 0x03, 0x01, 'A' },        false, "" },
    };

    for (const auto& c : cases)
    {
        Rig rig;
        auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
        a.setSilentOn (Kind::GetProductName);

        rig.click (rig.main->searchButton);
        ASSERT_TRUE (rig.waitForState (ReadingProductNames)) << c.what;

        a.sendRaw (makeReply (a, 0, c.payload));
        testing_support::runMessageLoopUntil ([&] { return rig.main->requestState == Idle; }, 300);

        EXPECT_EQ (rig.main->requestState == Idle, c.accepted) << c.what;

        const juce::String expected = c.accepted ? juce::String (c.label) : juce::String ("Product ID: 0123 SN: 1A2B3C4D");
        EXPECT_EQ (rig.main->discoveryItem.devices[0]->displayName, expected) << c.what;
    }
}

// A mouse click on a row of the device list, as the list box's row component receives it.
void clickRow (ZUNDeviceListBox& list, int row)
{
    juce::Component* rowComponent = nullptr;

    for (auto* child : list.getViewport()->getViewedComponent()->getChildren())
        if (child->isVisible() && list.getRowNumberOfComponent (child) == row)
            rowComponent = child;

    ASSERT_NE (rowComponent, nullptr);

    const auto now = juce::Time::getCurrentTime();
    const juce::Point<float> centre (10.0f, 5.0f);
    const juce::MouseEvent e (juce::Desktop::getInstance().getMainMouseSource(), centre,
                              juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                              rowComponent, rowComponent, now, centre, now, 1, false);
    rowComponent->mouseDown (e);
    rowComponent->mouseUp (e);
    testing_support::runMessageLoopFor (20);
}

TEST (Discovery, ClickingTheSelectedRowDeselectsItAndClosesItsPorts)
{
    Rig rig;
    rig.addTypical (productA, serialA, "Alpha", "Pair A");
    rig.addTypical (productB, serialB, "Beta", "Pair B");
    ASSERT_TRUE (rig.search());

    auto& main = *rig.main;
    auto& list = *main.deviceSelector;
    list.updateContent(); // lays out the row components the clicks go to
    const auto openPorts = [&] (int pair) { return rig.service.getNumOpenInputs (pair) + rig.service.getNumOpenOutputs (pair); };

    struct Case { const char* what; int row; int selected; int openOnPairA; int openOnPairB; };
    const Case cases[] = {
        { "a click selects the first row",               0, 0,  2, 0 },
        { "a click on the selected row deselects it",    0, -1, 0, 0 },
        { "a click selects it again",                    0, 0,  2, 0 },
        { "a click on the other row moves the selection", 1, 1, 0, 2 },
        { "a second click on it deselects it",           1, -1, 0, 0 },
    };

    // Which pair belongs to row 0 follows the order of the replies.
    const bool rowZeroIsA = main.discoveryItem.devices[0]->serialNumber == serialA;

    for (const auto& c : cases)
    {
        clickRow (list, c.row);
        EXPECT_EQ (list.getSelectedRow (0), c.selected) << c.what;
        EXPECT_EQ (list.lastSelectedRow, c.selected) << c.what;
        EXPECT_EQ (openPorts (0), rowZeroIsA ? c.openOnPairA : c.openOnPairB) << c.what;
        EXPECT_EQ (openPorts (1), rowZeroIsA ? c.openOnPairB : c.openOnPairA) << c.what;
    }
}

TEST (Discovery, SelectingARowOpensOnlyThatInterfacesPorts)
{
    Rig rig;
    rig.addTypical (productA, serialA, "Alpha", "Pair A");
    rig.addTypical (productB, serialB, "Beta", "Pair B");
    ASSERT_TRUE (rig.search());

    auto& main = *rig.main;
    const int rowA = findDevice (main, serialA) == main.discoveryItem.devices[0] ? 0 : 1;
    const int rowB = 1 - rowA;

    struct Case { const char* what; int row; int openA; int openB; };
    const Case cases[] = {
        { "first interface selected",  rowA, 1, 0 },
        { "the other one selected",    rowB, 0, 1 },
        { "the same row again",        rowB, 0, 1 },
        { "selection removed",         -1,   0, 0 },
    };

    for (const auto& c : cases)
    {
        if (c.row >= 0)
            rig.select (c.row);
        else
            main.deviceSelector->deselectAllRows();

        EXPECT_EQ (rig.service.getNumOpenInputs (0) + rig.service.getNumOpenOutputs (0), 2 * c.openA) << c.what;
        EXPECT_EQ (rig.service.getNumOpenInputs (1) + rig.service.getNumOpenOutputs (1), 2 * c.openB) << c.what;
        EXPECT_EQ (main.deviceSelector->lastSelectedRow, c.row) << c.what;
        EXPECT_EQ (main.requestState, Idle) << c.what;
    }
}
