#include "infoheader/property_bag.h"

#include <gtest/gtest.h>

#include "resource.h"

namespace barsmith {
namespace {

TEST(PropertyBagTest, KeysMatchWithoutRegardToCase) {
    const PropertyBag bag{{L"gradientstyle", std::int32_t{1}}};
    EXPECT_EQ(bag.ReadProperty(L"GradientStyle", std::int32_t{0}), PropertyValue(std::int32_t{1}));
    EXPECT_EQ(bag.ReadProperty(L"GRADIENTSTYLE", std::int32_t{0}), PropertyValue(std::int32_t{1}));
    EXPECT_EQ(bag.ReadProperty(L"GradientStyl", std::int32_t{5}), PropertyValue(std::int32_t{5}));
}

TEST(PropertyBagTest, NumbersTextAndBooleansConvertWhereTheyFit) {
    EXPECT_EQ(ToInt16(std::int32_t{-32768}), -32768);
    EXPECT_EQ(ToInt32(std::wstring(L" 42 ")), 42);
    EXPECT_EQ(ToInt32(true), -1);
    EXPECT_EQ(ToInt32(std::int32_t{static_cast<std::int32_t>(0x8000000F)}), static_cast<std::int32_t>(0x8000000F));
    EXPECT_TRUE(ToBoolean(std::wstring(L"true")));
    EXPECT_FALSE(ToBoolean(std::wstring(L"False")));
    EXPECT_TRUE(ToBoolean(std::int16_t{2}));
    EXPECT_EQ(ToText(std::int16_t{-5}), L"-5");
    EXPECT_EQ(ToText(false), L"False");
    EXPECT_EQ(ToPicture(PictureRef{}), nullptr);
}

TEST(PropertyBagTest, ValuesThatDoNotFitTheReadersKindThrow) {
    EXPECT_THROW(ToInt16(std::int32_t{40000}), PropertyTypeError);
    EXPECT_THROW(ToInt32(std::wstring(L"lots")), PropertyTypeError);
    EXPECT_THROW(ToInt32(std::wstring(L"12abc")), PropertyTypeError);
    EXPECT_THROW(ToInt32(std::wstring(L"99999999999")), PropertyTypeError);
    EXPECT_THROW(ToBoolean(std::wstring(L"maybe")), PropertyTypeError);
    EXPECT_THROW(ToInt32(StdPicture::FromIconResource(IDI_WEBPAGE, 32)), PropertyTypeError);
    EXPECT_THROW(ToText(PictureRef{}), PropertyTypeError);
    EXPECT_THROW(ToPicture(std::wstring(L"webpage.ico")), PropertyTypeError);
}

}  // namespace
}  // namespace barsmith
