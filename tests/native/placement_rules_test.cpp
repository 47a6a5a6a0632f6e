#include <gtest/gtest.h>

#include <string>

#include <map>

#include "forms/layout/placement_rules.h"

namespace qln {
namespace {

PlacementLookup SectionOf(std::map<std::wstring, std::wstring> keys) {
    return [keys = std::move(keys)](std::wstring_view key) -> std::optional<std::wstring> {
        const auto it = keys.find(std::wstring(key));
        if (it == keys.end()) return std::nullopt;
        return it->second;
    };
}

TEST(PlacementRulesTest, NumbersAreReadLikeSavedText) {
    EXPECT_EQ(ReadPlacementInt(L"120"), 120);
    EXPECT_EQ(ReadPlacementInt(L"  -35"), -35);
    EXPECT_EQ(ReadPlacementInt(L"+7"), 7);
    EXPECT_EQ(ReadPlacementInt(L"12.6"), 13);
    EXPECT_EQ(ReadPlacementInt(L"-12.6"), -13);
    EXPECT_EQ(ReadPlacementInt(L"2.5"), 2);  // halves to even
    EXPECT_EQ(ReadPlacementInt(L"3.5"), 4);
    EXPECT_EQ(ReadPlacementInt(L".5"), 0);
    EXPECT_EQ(ReadPlacementInt(L"1e3"), 1000);
    EXPECT_EQ(ReadPlacementInt(L"15px"), 15);  // the number ends where the digits end
    EXPECT_EQ(ReadPlacementInt(L"4e"), 4);
    EXPECT_EQ(ReadPlacementInt(L"abc"), 0);
    EXPECT_EQ(ReadPlacementInt(L""), 0);
    EXPECT_EQ(ReadPlacementInt(L"-"), 0);
    EXPECT_EQ(ReadPlacementInt(L"."), 0);
    EXPECT_EQ(ReadPlacementInt(L"0x20"), 0);
    EXPECT_EQ(ReadPlacementInt(L"１２"), 0);  // full-width digits are not digits here
}

TEST(PlacementRulesTest, HugeValuesClampInsteadOfWrapping) {
    EXPECT_EQ(ReadPlacementInt(L"99999999999"), INT32_MAX);
    EXPECT_EQ(ReadPlacementInt(L"-99999999999"), INT32_MIN);
    EXPECT_EQ(ReadPlacementInt(L"1e400"), INT32_MAX);
    EXPECT_EQ(ReadPlacementInt(L"-1e400"), INT32_MIN);
    EXPECT_EQ(ReadPlacementInt(L"1e-400"), 0);
    // Over- or underflow is told by the decimal exponent, however the number is written: a
    // decimal too small for a double without any exponent reads 0, as the C library reads it,
    // and one too large for a double with a negative exponent is still too large.
    const std::wstring tiny = L"0." + std::wstring(323, L'0') + L"1";
    EXPECT_EQ(ReadPlacementNumber(tiny), 0.0);
    EXPECT_EQ(ReadPlacementInt(tiny), 0);
    EXPECT_EQ(ReadPlacementInt(L"-" + tiny), 0);
    EXPECT_EQ(ReadPlacementUnsigned(tiny), 0u);
    EXPECT_EQ(ReadPlacementInt(L"0000" + tiny.substr(1) + L"px"), 0);
    const std::wstring large = L"1" + std::wstring(400, L'0') + L"e-10";
    EXPECT_EQ(ReadPlacementInt(large), INT32_MAX);
    EXPECT_EQ(ReadPlacementInt(L"-" + large), INT32_MIN);
    EXPECT_EQ(ReadPlacementInt(L"0." + std::wstring(400, L'0') + L"1e99999999999999999999999"), INT32_MAX);
    EXPECT_EQ(ReadPlacementInt(L"12e-99999999999999999999999"), 0);
    // In range however written: 1e76 and 12.5.
    EXPECT_EQ(ReadPlacementInt(tiny + L"e400"), INT32_MAX);
    EXPECT_EQ(ReadPlacementInt(L"125" + std::wstring(300, L'0') + L"e-301"), 12);
    EXPECT_EQ(ReadPlacementUnsigned(L"4294967295"), 4294967295u);
    EXPECT_EQ(ReadPlacementUnsigned(L"4294967296"), 4294967295u);
    EXPECT_EQ(ReadPlacementUnsigned(L"-1"), 0u);
}

TEST(PlacementRulesTest, MissingKeysKeepTheCurrentPlacement) {
    PlacementState current;
    current.rect = {100, 50, 600, 400};
    current.flags = 0;
    current.showCmd = 1;
    current.topMost = true;
    const LoadedPlacement loaded = ApplyPlacementKeys(current, SectionOf({}));
    EXPECT_EQ(loaded.state.rect, (PlacementRect{100, 50, 600, 400}));
    EXPECT_EQ(loaded.state.showCmd, 1u);
    EXPECT_TRUE(loaded.state.topMost);
    EXPECT_FALSE(loaded.topMost.has_value());  // the window's top-most state is left alone
}

TEST(PlacementRulesTest, ZeroRightAndBottomBecomeTheDefaultSize) {
    PlacementState current;
    current.rect = {10, 20, 0, 0};
    EXPECT_EQ(ApplyPlacementKeys(current, SectionOf({})).state.rect, (PlacementRect{10, 20, 750, 450}));

    current.rect = {10, 20, 300, 200};
    const auto zeroed = ApplyPlacementKeys(current, SectionOf({{L"Right", L"0"}, {L"Bottom", L"nothing"}}));
    EXPECT_EQ(zeroed.state.rect, (PlacementRect{10, 20, 750, 450}));

    // Only an edge of exactly 0 is replaced.
    const auto negative = ApplyPlacementKeys(current, SectionOf({{L"Right", L"-1"}, {L"Bottom", L"0.4"}}));
    EXPECT_EQ(negative.state.rect, (PlacementRect{10, 20, -1, 450}));
}

TEST(PlacementRulesTest, PresentKeysReplaceTheirValues) {
    PlacementState current;
    current.rect = {1, 2, 3, 4};
    const auto loaded = ApplyPlacementKeys(current, SectionOf({{L"Left", L"-40"},
                                                               {L"Top", L"30.4"},
                                                               {L"Right", L"500"},
                                                               {L"Bottom", L"380"},
                                                               {L"TopMost", L"7"},
                                                               {L"flags", L"2"},
                                                               {L"showCmd", L"3"}}));
    EXPECT_EQ(loaded.state.rect, (PlacementRect{-40, 30, 500, 380}));
    EXPECT_EQ(loaded.state.flags, 2u);
    EXPECT_EQ(loaded.state.showCmd, 3u);
    ASSERT_TRUE(loaded.topMost.has_value());
    EXPECT_TRUE(*loaded.topMost);  // any non-zero value

    current.topMost = true;
    const auto cleared = ApplyPlacementKeys(current, SectionOf({{L"TopMost", L"0"}}));
    ASSERT_TRUE(cleared.topMost.has_value());
    EXPECT_FALSE(*cleared.topMost);
    EXPECT_FALSE(cleared.state.topMost);

    // Key names are the saved ones, in their exact spelling.
    const auto lower = ApplyPlacementKeys(current, SectionOf({{L"left", L"77"}, {L"ShowCmd", L"9"}}));
    EXPECT_EQ(lower.state.rect.left, 1);
    EXPECT_EQ(lower.state.showCmd, 0u);
}

TEST(PlacementRulesTest, RectangleInsideTheWorkAreaStays) {
    EXPECT_EQ(FitIntoWorkArea({0, 0, 1024, 768}, 1024, 768), (PlacementRect{0, 0, 1024, 768}));
    EXPECT_EQ(FitIntoWorkArea({100, 60, 500, 400}, 1024, 768), (PlacementRect{100, 60, 500, 400}));
}

TEST(PlacementRulesTest, OffScreenRectanglesAreMovedNotShrunk) {
    EXPECT_EQ(FitIntoWorkArea({-120, 10, 380, 310}, 1024, 768), (PlacementRect{0, 10, 500, 310}));
    EXPECT_EQ(FitIntoWorkArea({10, -50, 310, 250}, 1024, 768), (PlacementRect{10, 0, 310, 300}));
    EXPECT_EQ(FitIntoWorkArea({900, 700, 1300, 1000}, 1024, 768), (PlacementRect{624, 468, 1024, 768}));
    EXPECT_EQ(FitIntoWorkArea({-300, -300, -100, -100}, 1024, 768), (PlacementRect{0, 0, 200, 200}));
}

TEST(PlacementRulesTest, RectanglesLargerThanTheWorkAreaAreCut) {
    EXPECT_EQ(FitIntoWorkArea({200, 100, 1500, 400}, 1024, 768), (PlacementRect{0, 100, 1024, 400}));
    EXPECT_EQ(FitIntoWorkArea({-10, -10, 1100, 900}, 1024, 768), (PlacementRect{0, 0, 1024, 768}));
    // Exactly as wide as the work area is not too wide: it is moved.
    EXPECT_EQ(FitIntoWorkArea({-24, 0, 1000, 100}, 1024, 768), (PlacementRect{0, 0, 1024, 100}));
}

TEST(PlacementRulesTest, ExtremeEdgesDoNotOverflow) {
    EXPECT_EQ(FitIntoWorkArea({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 1024, 768),
              (PlacementRect{0, 0, 1024, 768}));
    EXPECT_EQ(FitIntoWorkArea({INT32_MIN, 0, INT32_MIN + 100, 100}, 1024, 768), (PlacementRect{0, 0, 100, 100}));
    EXPECT_EQ(FitIntoWorkArea({INT32_MAX - 100, 0, INT32_MAX, 100}, 1024, 768), (PlacementRect{924, 0, 1024, 100}));
}

}  // namespace
}  // namespace qln
