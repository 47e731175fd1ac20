#pragma once
// Objects and helpers shared by the serialization suites.

#include "serialization/Archive.h"
#include "serialization/XMLArchive.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace SerializationTest
{

using Serialization::Archive;
using Serialization::ObjectWriteScope;
using Serialization::Serializable;
using Serialization::XMLArchive;

struct ColorSpec : Serializable
{
    std::int32_t red = 0, green = 0, blue = 0;

    std::string_view GetTypeName() const override { return "SerializableColorSpec"; }
    void Save(Archive& archive) override
    {
        archive.WriteInt("red", red);
        archive.WriteInt("green", green);
        archive.WriteInt("blue", blue);
    }
    void Load(Archive& archive) override
    {
        red = archive.ReadInt("red");
        green = archive.ReadInt("green");
        blue = archive.ReadInt("blue");
    }
};

// Writes `object` as a nested object named `name` in the usual way.
inline void WriteObject(Archive& archive, Serializable& object, std::string_view name)
{
    ObjectWriteScope scope(archive, object, name);
    if (scope.IsNew())
        object.Save(archive);
}

inline void ReadObject(Archive& archive, Serializable& object, std::string_view name)
{
    archive.BeginReadObject(name, object.GetTypeName());
    object.Load(archive);
    archive.EndReadObject();
}

// The text of a whole archive (declaration suppressed unless asked for).
inline std::string Written(const std::function<void(XMLArchive&)>& body, bool suppressDeclaration = true,
                           const std::string& type = "TYPE")
{
    std::ostringstream out;
    {
        XMLArchive archive(out, type, suppressDeclaration);
        archive.BeginWriting();
        body(archive);
        archive.EndWriting();
    }
    return out.str();
}

inline std::unique_ptr<XMLArchive> Reader(const std::string& text,
                                          Serialization::ObjectFactory* factory = nullptr)
{
    auto archive = std::make_unique<XMLArchive>(text.data(), text.size(), factory);
    archive->BeginReading();
    return archive;
}

// Object ids depend on everything written before in the process; exact texts
// are compared with them replaced, and the ids are checked on their own.
inline std::string MaskIds(const std::string& text)
{
    return TestFiles::MaskIds(text, "ID", 10);
}

inline std::vector<std::uint64_t> IdsIn(const std::string& text)
{
    std::vector<std::uint64_t> ids;
    for (std::size_t at = text.find("<obj id=\""); at != std::string::npos; at = text.find("<obj id=\"", at + 1))
        ids.push_back(std::stoull(text.substr(at + 9)));
    return ids;
}

struct Failure
{
    enum Class { None, Cvn, Parse } kind = None;
    std::string message; // the text before the diagnostic line
};

template <class F>
Failure FailureOf(F&& action)
{
    const auto messageOf = [](const std::exception& e) {
        const std::string text = e.what();
        return text.substr(0, text.rfind("\nfailed: ")); // all of it when there is no diagnostic
    };
    try
    {
        action();
    }
    catch (const XMLArchive::ParseException& e) { return {Failure::Parse, messageOf(e)}; }
    catch (const Cvn::Exception& e) { return {Failure::Cvn, messageOf(e)}; }
    return {};
}

} // namespace SerializationTest

// The statement throws exactly this message as a ParseException, or as a
// Cvn::Exception that is not a ParseException.
#define EXPECT_ARCHIVE_FAILURE_(kind, statement, text)                                            \
    do                                                                                             \
    {                                                                                              \
        const auto failure_ = ::SerializationTest::FailureOf([&] { statement; });                  \
        EXPECT_EQ(failure_.kind, ::SerializationTest::Failure::kind) << #statement;                \
        EXPECT_EQ(failure_.message, text) << #statement;                                           \
    } while (false)
#define EXPECT_PARSE_FAILURE(statement, text) EXPECT_ARCHIVE_FAILURE_(Parse, statement, text)
#define EXPECT_CVN_FAILURE(statement, text) EXPECT_ARCHIVE_FAILURE_(Cvn, statement, text)
