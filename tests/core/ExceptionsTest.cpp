#include "base/Exceptions.h"
#include "base/FourCC.h"

#include <gtest/gtest.h>

TEST(Exceptions, AppFrameRecordsThrowingFileStemAndLine)
{
    int line = 0;
    try
    {
        line = __LINE__ + 1;
        throw AppFrame::BadParameter();
    }
    catch (const AppFrame::Exception&)
    {
    }
    const auto where = AppFrame::LastErrorLocation();
    EXPECT_EQ(where.file, "ExceptionsTest");
    EXPECT_EQ(where.line, line);
}

TEST(Exceptions, CvnTextIsMessageLineFeedAndDiagnostic)
{
    try
    {
        const int size = 0;
        CVN_REQUIRE(size > 0, "size missing");
        FAIL() << "no throw";
    }
    catch (const Cvn::Exception& e)
    {
        const std::string text = e.what();
        ASSERT_EQ(text.rfind("size missing\n", 0), 0u) << text;
        EXPECT_NE(text.find("size > 0"), std::string::npos) << text;
        EXPECT_NE(text.find("ExceptionsTest"), std::string::npos) << text;
    }
}

TEST(FourCC, PacksBigEndian)
{
    EXPECT_EQ(FourCC("clip"), 0x636c6970u);
    EXPECT_EQ(FourCCValue("srte"), 0x73727465);
    EXPECT_EQ(FourCCText(FourCC("bypa")), "bypa");
}
