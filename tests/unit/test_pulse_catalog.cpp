// How the sound server's cards, sinks and sources become capture devices
// with input lines, which server reports can change them, and how a bound
// device's loss and return are reported once per real change.
#include "platform/pulse/DeviceCatalog.h"

#include <gtest/gtest.h>

#include <pulse/subscribe.h>

using namespace pulse;

namespace {

// "key 'name': line<source:port>, ..." per device, easy to compare whole.
std::vector<std::string> Describe(const std::vector<CaptureDevice> &devices)
{
    std::vector<std::string> out;
    for (const CaptureDevice &d : devices) {
        std::string text = d.key + " '" + d.name + "':";
        for (const InputLine &line : d.lines)
            text += " " + line.name + "<" + line.source + (line.port.empty() ? "" : ":" + line.port) + ">";
        out.push_back(text);
    }
    return out;
}

SinkEntry Sink(std::uint32_t index, const std::string &name, const std::string &description, std::uint32_t monitor,
               std::uint32_t card = kNoIndex)
{
    return {index, name, description, card, monitor};
}

SourceEntry Monitor(std::uint32_t index, const std::string &sinkName, const std::string &sinkDescription,
                    std::uint32_t sink, std::uint32_t card = kNoIndex)
{
    return {index, sinkName + ".monitor", "Monitor of " + sinkDescription, card, sink, {}};
}

SourceEntry Input(std::uint32_t index, const std::string &name, const std::string &description,
                  std::vector<PortEntry> ports = {}, std::uint32_t card = kNoIndex)
{
    return {index, name, description, card, kNoIndex, std::move(ports)};
}

struct GroupingCase {
    const char *what;
    ServerSnapshot server;
    std::vector<std::string> devices;
};

const std::vector<PortEntry> kMicAndLine = {{"analog-input-mic", "Microphone"}, {"analog-input-linein", "Line In"}};

std::vector<GroupingCase> GroupingCases()
{
    return {
        {"a card-less null sink is a device whose one line is its monitor",
         {{}, {Sink(0, "null", "Null Output", 0)}, {Monitor(0, "null", "Null Output", 0)}},
         {"sink:null 'Null Output': Monitor of Null Output<null.monitor>"}},
        {"a card groups its sources' ports, then its sinks' monitors",
         {{{3, "alsa_card.pci", "Built-in Audio"}},
          {Sink(1, "alsa_output.pci", "Built-in Audio Analog Stereo", 4, 3)},
          {Monitor(4, "alsa_output.pci", "Built-in Audio Analog Stereo", 1, 3),
           Input(5, "alsa_input.pci", "Built-in Audio Analog Stereo", kMicAndLine, 3)}},
         {"card:alsa_card.pci 'Built-in Audio': Microphone<alsa_input.pci:analog-input-mic> "
          "Line In<alsa_input.pci:analog-input-linein> "
          "Monitor of Built-in Audio Analog Stereo<alsa_output.pci.monitor>"}},
        {"a card source without ports is a line by its own description",
         {{{0, "usb_card", "USB Mic"}}, {}, {Input(2, "usb_input", "USB Mic Mono", {}, 0)}},
         {"card:usb_card 'USB Mic': USB Mic Mono<usb_input>"}},
        {"a card-less source is a device of its own: ports, or itself",
         {{}, {}, {Input(1, "nsrc", "Null Input"), Input(2, "remapped", "Remapped Input", {{"p1", "Front Mic"}})}},
         {"source:nsrc 'Null Input': Null Input<nsrc>", "source:remapped 'Remapped Input': Front Mic<remapped:p1>"}},
        {"cards first, then card-less sinks, then card-less sources, each by index",
         {{{7, "card_b", "Second Card"}, {2, "card_a", "First Card"}},
          {Sink(5, "late", "Late Output", 9), Sink(1, "early", "Early Output", 8), Sink(0, "a_out", "A Out", 3, 2)},
          {Input(6, "src", "Lone Input"), Monitor(9, "late", "Late Output", 5), Monitor(8, "early", "Early Output", 1),
           Monitor(3, "a_out", "A Out", 0, 2), Input(4, "b_in", "B In", {}, 7)}},
         {"card:card_a 'First Card': Monitor of A Out<a_out.monitor>", "card:card_b 'Second Card': B In<b_in>",
          "sink:early 'Early Output': Monitor of Early Output<early.monitor>",
          "sink:late 'Late Output': Monitor of Late Output<late.monitor>", "source:src 'Lone Input': Lone Input<src>"}},
        {"two sinks of the same name stay two devices with their own sources",
         {{},
          {Sink(0, "twin1", "Twin", 0), Sink(1, "twin2", "Twin", 1)},
          {Monitor(0, "twin1", "Twin", 0), Monitor(1, "twin2", "Twin", 1)}},
         {"sink:twin1 'Twin': Monitor of Twin<twin1.monitor>", "sink:twin2 'Twin': Monitor of Twin<twin2.monitor>"}},
        {"a card with nothing to record from is left out",
         {{{0, "off_card", "Switched Off"}},
          {Sink(0, "null", "Null Output", 0)},
          {Monitor(0, "null", "Null Output", 0)}},
         {"sink:null 'Null Output': Monitor of Null Output<null.monitor>"}},
        {"a sink and source whose card went while listing count as card-less",
         {{}, {Sink(0, "orphan", "Orphan Out", 0, 4)}, {Monitor(0, "orphan", "Orphan Out", 0, 4)}},
         {"sink:orphan 'Orphan Out': Monitor of Orphan Out<orphan.monitor>"}},
        {"a monitor whose sink is not listed is no device", {{}, {}, {Monitor(3, "gone", "Gone", 9)}}, {}},
        {"an empty server has no devices", {}, {}},
    };
}

class GroupingTest : public ::testing::TestWithParam<GroupingCase> {};

TEST_P(GroupingTest, ListsDevicesAndLines)
{
    const GroupingCase &c = GetParam();
    EXPECT_EQ(Describe(GroupCaptureDevices(c.server)), c.devices) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Servers, GroupingTest, ::testing::ValuesIn(GroupingCases()));

TEST(DeviceKeysTest, AreTheListedDevicesKeys)
{
    const ServerSnapshot server{{{0, "off_card", "Switched Off"}, {1, "live_card", "Live"}},
                                {Sink(0, "null", "Null Output", 0)},
                                {Monitor(0, "null", "Null Output", 0), Input(1, "in", "In", {}, 1)}};
    EXPECT_EQ(DeviceKeys(server), (std::set<std::string>{"card:live_card", "sink:null"}));
}

struct IndexCase {
    std::uint32_t facility;
    std::uint32_t index;
    const char *key;
};

class DeviceIndexTest : public ::testing::TestWithParam<IndexCase> {};

// A removal report names the device its card, sink or source was part of.
TEST_P(DeviceIndexTest, NamesTheDeviceOfARemovedIndex)
{
    const ServerSnapshot server{
        {{3, "alsa_card.pci", "Built-in Audio"}, {9, "off_card", "Switched Off"}},
        {Sink(1, "alsa_output.pci", "Analog Stereo", 4, 3), Sink(0, "null", "Null Output", 0)},
        {Monitor(0, "null", "Null Output", 0), Monitor(4, "alsa_output.pci", "Analog Stereo", 1, 3),
         Input(5, "alsa_input.pci", "Analog Stereo", kMicAndLine, 3), Input(6, "lone", "Lone Input")}};
    const DeviceIndex index(server);
    const IndexCase &c = GetParam();
    EXPECT_EQ(index.KeyOf(c.facility | PA_SUBSCRIPTION_EVENT_REMOVE, c.index), c.key)
        << "facility " << c.facility << " index " << c.index;
}

INSTANTIATE_TEST_SUITE_P(Removals, DeviceIndexTest,
                         ::testing::Values(IndexCase{PA_SUBSCRIPTION_EVENT_CARD, 3, "card:alsa_card.pci"},
                                           IndexCase{PA_SUBSCRIPTION_EVENT_SINK, 1, "card:alsa_card.pci"},
                                           IndexCase{PA_SUBSCRIPTION_EVENT_SOURCE, 4, "card:alsa_card.pci"},
                                           IndexCase{PA_SUBSCRIPTION_EVENT_SOURCE, 5, "card:alsa_card.pci"},
                                           IndexCase{PA_SUBSCRIPTION_EVENT_SINK, 0, "sink:null"},
                                           IndexCase{PA_SUBSCRIPTION_EVENT_SOURCE, 0, "sink:null"},
                                           IndexCase{PA_SUBSCRIPTION_EVENT_SOURCE, 6, "source:lone"},
                                           IndexCase{PA_SUBSCRIPTION_EVENT_CARD, 9,
                                                     ""}, // a card with nothing to record
                                           IndexCase{PA_SUBSCRIPTION_EVENT_SOURCE, 77, ""}, // not on the server then
                                           IndexCase{PA_SUBSCRIPTION_EVENT_SINK_INPUT, 0, ""}));

TEST(DeviceIndexMergeTest, KeepsDevicesGoneSinceForLateReports)
{
    DeviceIndex index(ServerSnapshot{{}, {Sink(0, "a", "A", 0)}, {Monitor(0, "a", "A", 0)}});
    index.Merge(DeviceIndex(ServerSnapshot{{}, {Sink(1, "b", "B", 1)}, {Monitor(1, "b", "B", 1)}}));
    EXPECT_EQ(index.KeyOf(PA_SUBSCRIPTION_EVENT_SINK | PA_SUBSCRIPTION_EVENT_REMOVE, 0), "sink:a");
    EXPECT_EQ(index.KeyOf(PA_SUBSCRIPTION_EVENT_SOURCE | PA_SUBSCRIPTION_EVENT_REMOVE, 1), "sink:b");
}

struct EventCase {
    std::uint32_t type;
    bool changes;
};

class ServerEventTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(ServerEventTest, OnlyDevicesComingOrGoingCount)
{
    EXPECT_EQ(ChangesDevices(GetParam().type), GetParam().changes) << std::hex << GetParam().type;
}

INSTANTIATE_TEST_SUITE_P(
    Events, ServerEventTest,
    ::testing::Values(EventCase{PA_SUBSCRIPTION_EVENT_SINK | PA_SUBSCRIPTION_EVENT_NEW, true},
                      EventCase{PA_SUBSCRIPTION_EVENT_SINK | PA_SUBSCRIPTION_EVENT_REMOVE, true},
                      EventCase{PA_SUBSCRIPTION_EVENT_SOURCE | PA_SUBSCRIPTION_EVENT_REMOVE, true},
                      EventCase{PA_SUBSCRIPTION_EVENT_CARD | PA_SUBSCRIPTION_EVENT_NEW, true},
                      EventCase{PA_SUBSCRIPTION_EVENT_SINK | PA_SUBSCRIPTION_EVENT_CHANGE, false},
                      EventCase{PA_SUBSCRIPTION_EVENT_CARD | PA_SUBSCRIPTION_EVENT_CHANGE, false},
                      EventCase{PA_SUBSCRIPTION_EVENT_SOURCE_OUTPUT | PA_SUBSCRIPTION_EVENT_NEW, false},
                      EventCase{PA_SUBSCRIPTION_EVENT_SINK_INPUT | PA_SUBSCRIPTION_EVENT_REMOVE, false},
                      EventCase{PA_SUBSCRIPTION_EVENT_SERVER | PA_SUBSCRIPTION_EVENT_CHANGE, false}));

// Observations: '+' device seen, '-' device missing, 'm' stream moved away.
// Reports: 'L' lost, 'R' returned, '.' nothing.
struct PresenceCase {
    const char *observations;
    const char *reports;
};

class PresenceTest : public ::testing::TestWithParam<PresenceCase> {};

TEST_P(PresenceTest, ReportsEachRealChangeOnce)
{
    PresenceTracker tracker;
    std::string reports;
    for (const char *o = GetParam().observations; *o; ++o) {
        const PresenceTracker::Change change = *o == 'm' ? tracker.StreamMoved() : tracker.Observe(*o == '+');
        reports += change == PresenceTracker::Change::Lost       ? 'L'
                   : change == PresenceTracker::Change::Returned ? 'R'
                                                                 : '.';
    }
    EXPECT_EQ(reports, GetParam().reports) << GetParam().observations;
}

INSTANTIATE_TEST_SUITE_P(Sequences, PresenceTest,
                         ::testing::Values(PresenceCase{"+++", "..."},       // nothing happens
                                           PresenceCase{"---+", "L..R"},     // a burst of missing looks
                                           PresenceCase{"-+-+", "LRLR"},     // each round trip counts
                                           PresenceCase{"m-+", "L.R"},       // moved, then gone, then back
                                           PresenceCase{"-m+", "L.R"},       // the move after the loss
                                           PresenceCase{"mm+", "L.."},       // moved but never gone
                                           PresenceCase{"+-++-", ".LR.L"})); // repeats in between

} // namespace
