#include "SerializationTestSupport.h"

#include "serialization/ArchiveSequence.h"
#include "serialization/ObjectSerializerHub.h"

using namespace SerializationTest;
using Serialization::ArchiveSequence;

namespace
{

const std::string kEnd = std::string("</obj_archive>\n") + '\0';

struct Link : Serializable
{
    static inline int live = 0;
    std::int32_t value = 0;
    Serializable* next = nullptr;

    Link() { ++live; }
    ~Link() override { --live; }
    std::string_view GetTypeName() const override { return "Link"; }
    void Save(Archive& a) override
    {
        a.WriteInt("v", value);
        if (next != nullptr)
            a.WritePtr("next", next);
    }
    void Load(Archive& a) override
    {
        value = a.ReadInt("v");
        if (a.HasNode("next"))
            next = a.ReadPtr("next");
        CVN_REQUIRE(value >= 0, "negative link");
    }
};

struct Satellite : Serialization::ObjectSerializerSatellite
{
    Satellite(std::vector<std::string>* l, std::string n) : log(l), name(std::move(n)) {}
    std::vector<std::string>* log;
    std::string name;
    void Save(Archive&) override { log->push_back("save " + name); }
    void Load(Archive&) override { log->push_back("load " + name); }
};

} // namespace

TEST(Archive, ObjectsAndPointerTargetsAreWrittenOnceWithIdsIncreasingAcrossSaves)
{
    ColorSpec a, b;
    const std::uint64_t before = Serialization::LastObjectId();
    const std::string first = Written([&](XMLArchive& archive) {
        EXPECT_EQ(archive.BeginWriteObject(a, "a"), before + 1);
        a.Save(archive);
        archive.EndWriteObject(a);
        EXPECT_EQ(archive.BeginWriteObject(a, "again"), 0u);
        WriteObject(archive, b, "b");
        ColorSpec copy = a; // another object with the same values
        WriteObject(archive, copy, "copy");
    });
    EXPECT_EQ(IdsIn(first), (std::vector<std::uint64_t>{before + 1, before + 2, before + 3}));
    EXPECT_EQ(first.find("again"), std::string::npos);

    const std::string second = Written([&](XMLArchive& archive) { WriteObject(archive, a, "a"); });
    EXPECT_EQ(IdsIn(second), std::vector<std::uint64_t>{before + 4});
    EXPECT_EQ(a.GetObjectId(), before + 4);

    // A pointer writes its target once, then only the target's id.
    ColorSpec target;
    target.red = 1;
    const std::string text = Written([&](XMLArchive& archive) {
        archive.WritePtr("p", &target);
        archive.WritePtr("q", &target);
        EXPECT_CVN_FAILURE(archive.WritePtr("null", nullptr), "WritePtr: the object is null");
    });
    const std::string id = std::to_string(target.GetObjectId());
    EXPECT_EQ(MaskIds(text), "<obj_archive type=\"TYPE\">\n<obj id=\"ID\" name=\"\" type=\"SerializableColorSpec\">\n"
                             "\t<att name=\"red\" type=\"i\">1</att>\n\t<att name=\"green\" type=\"i\">0</att>\n"
                             "\t<att name=\"blue\" type=\"i\">0</att>\n</obj>\n<att name=\"p\" type=\"ptr\">" +
                                 id + "</att>\n<att name=\"q\" type=\"ptr\">" + id + "</att>\n" + kEnd);
}

TEST(Archive, ReadPtrResolvesCyclesAndDestroysWhatFailsToLoad)
{
    const int liveBefore = Link::live;
    Serialization::ObjectFactory factory;
    factory.RegisterType<Link>("Link");
    // Two links pointing at each other, written through the first.
    const auto cycle = [](std::int32_t secondValue) {
        Link first, second;
        first.value = 1;
        second.value = secondValue;
        first.next = &second;
        second.next = &first;
        return Written([&](XMLArchive& archive) { archive.WritePtr("head", &first); });
    };
    auto failing = Reader(cycle(-2), &factory);
    EXPECT_CVN_FAILURE(failing->ReadPtr("head"), "negative link");
    EXPECT_EQ(Link::live, liveBefore); // destroyed at once, not left to the archive
    {
        auto archive = Reader(cycle(2), &factory);
        std::unique_ptr<Serializable> head(archive->ReadPtr("head"));
        auto* headLink = dynamic_cast<Link*>(head.get());
        ASSERT_NE(headLink, nullptr);
        std::unique_ptr<Serializable> tail(headLink->next);
        auto* tailLink = dynamic_cast<Link*>(tail.get());
        ASSERT_NE(tailLink, nullptr);
        EXPECT_EQ(std::tuple(headLink->value, tailLink->value, tailLink->next), std::tuple(1, 2, head.get()));
        EXPECT_EQ(archive->ReadPtr("head"), head.get());
    }
    EXPECT_EQ(Link::live, liveBefore);

    Serialization::ObjectFactory empty; // no creator for the stored type
    EXPECT_EQ(Reader(cycle(2), &empty)->ReadPtr("head"), nullptr);
}

TEST(Archive, SequencesKeepToTheirStatedSize)
{
    const std::string text = Written([](XMLArchive& archive) {
        {
            ArchiveSequence sequence(archive, "seq", 3);
            for (const int value : {10, -20, 30})
                sequence.Add(value);
            EXPECT_CVN_FAILURE(sequence.Add(40), "ArchiveSequence: index exceeded stated size of sequence");
        }
        ArchiveSequence outer(archive, "outer", 0); // open while the next one is written
        ArchiveSequence inner(archive, "inner", 2);
        inner.Add(1);
    });
    EXPECT_EQ(MaskIds(text), "<obj_archive type=\"TYPE\">\n<obj id=\"ID\" name=\"seq\" type=\"__archive_sequence__\">\n"
                             "\t<att name=\"__size__\" type=\"i\">3</att>\n\t<att name=\"0\" type=\"i\">10</att>\n"
                             "\t<att name=\"1\" type=\"i\">-20</att>\n\t<att name=\"2\" type=\"i\">30</att>\n</obj>\n"
                             "<obj id=\"ID\" name=\"outer\" type=\"__archive_sequence__\">\n"
                             "\t<att name=\"__size__\" type=\"i\">0</att>\n"
                             "\t<obj id=\"ID\" name=\"inner\" type=\"__archive_sequence__\">\n"
                             "\t\t<att name=\"__size__\" type=\"i\">2</att>\n\t\t<att name=\"0\" type=\"i\">1</att>\n"
                             "\t</obj>\n</obj>\n" + kEnd);

    // Reading: an element past the size, or missing, reads as the default; a
    // sequence without a size refuses every index.
    auto archive = Reader("<obj_archive type=\"T\"><obj id=\"1\" name=\"s\" type=\"__archive_sequence__\">"
                          "<att name=\"__size__\" type=\"i\">2</att><att name=\"0\" type=\"i\">4</att></obj>"
                          "<obj id=\"2\" name=\"e\" type=\"__archive_sequence__\"></obj>"
                          "<att name=\"x\" type=\"i\">9</att></obj_archive>");
    {
        ArchiveSequence sequence(*archive, "s");
        EXPECT_EQ(std::tuple(sequence.GetSize(), sequence.Get(0, -1), sequence.Get(1, -1), sequence.Get(5, -1)),
                  std::tuple(2, 4, -1, -1));
    }
    {
        ArchiveSequence empty(*archive, "e");
        EXPECT_CVN_FAILURE(empty.Get(0, -1), "ArchiveSequence: index exceeded stated size of sequence");
    }
    EXPECT_EQ(archive->ReadInt("x"), 9); // both sequences left their scopes
}

TEST(Archive, HubSavesAndLoadsSatellitesInAttachmentOrder)
{
    std::vector<std::string> log;
    auto one = std::make_unique<Satellite>(&log, "one");
    Satellite two(&log, "two");
    std::ostringstream out;
    XMLArchive archive(out, "T");
    {
        Serialization::ObjectSerializerHub hub, other;
        hub.Attach(*one);
        hub.Attach(two);
        hub.Attach(*one); // moves to the end
        other.Attach(two);
        hub.SaveSatellites(archive);
        hub.LoadSatellites(archive);
        EXPECT_EQ(log, (std::vector<std::string>{"save two", "save one", "load two", "load one"}));
        EXPECT_EQ(two.GetHubs().size(), 2u);
        other.Detach(two);
        EXPECT_EQ(two.GetHubs(), std::vector<Serialization::ObjectSerializerHub*>{&hub});
        one.reset(); // a destroyed satellite leaves the hub
        EXPECT_EQ(hub.GetSatellites(), std::vector<Serialization::ObjectSerializerSatellite*>{&two});
    }
    EXPECT_TRUE(two.GetHubs().empty()); // and a destroyed hub leaves its satellites
}
