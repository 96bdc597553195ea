// SPDX-License-Identifier: GPL-3.0-or-later
// Split and filter fields per option, as the main dialog and the command line fill them.
#include "app/request_builder.h"

#include <gtest/gtest.h>

namespace trakor {
namespace {

TEST(RequestBuilderTest, FieldsFollowTheOptionAndTheMethods) {
    Settings s = defaultSettings(true);
    s.Splitlen_t = 50;
    s.Splitlen_r = 80;
    s.Filtersize_t = 500;
    s.Filtersize_r = 200;
    for (int option : {0, 1, 4, 15, 23}) EXPECT_FALSE(splitFilterFieldsFor(s, option).shown) << option;

    SplitFilterFields track = splitFilterFieldsFor(s, 24);
    EXPECT_TRUE(track.shown && track.trackResult);
    EXPECT_EQ(track.splitField, 50u);
    EXPECT_EQ(track.filterField, 500u);
    SplitFilterFields route = splitFilterFieldsFor(s, 21);
    EXPECT_FALSE(route.trackResult);
    EXPECT_EQ(route.splitField, 80u);
    EXPECT_EQ(route.filterField, 200u);

    s.Splittype = 2;
    s.Filtertype = 3;
    s.Splitsize_r = 300;
    s.Filtersize_c = 30;
    route = splitFilterFieldsFor(s, 13);
    EXPECT_EQ(route.splitSetting, &Settings::Splitsize_r);
    EXPECT_EQ(route.splitField, 300u);
    EXPECT_EQ(route.filterField, 30u);
}

TEST(RequestBuilderTest, MilesModeShowsAndStoresSplitLengthsInMiles) {
    Settings s = defaultSettings(true);
    s.milesMode = 1;
    s.Splitlen_t = 50;
    EXPECT_EQ(splitFilterFieldsFor(s, 11).splitField, 31u);
    storeSplitField(s, 11, 31);
    EXPECT_EQ(s.Splitlen_t, 50);
    storeSplitField(s, 22, 100);
    EXPECT_EQ(s.Splitlen_r, 161);
    // Point counts are never converted.
    s.Splittype = 2;
    storeSplitField(s, 12, 400);
    EXPECT_EQ(s.Splitsize_t, 400);
    s.Filtertype = 2;
    storeFilterField(s, 12, 40);
    EXPECT_EQ(s.Filtersize_p, 40);
}

TEST(RequestBuilderTest, TargetsBeyondMapSourceNeedEdgeSupport) {
    Settings s = defaultSettings(true);
    s.OutputOption = 4;
    s.EdgeSupport = 0;
    EXPECT_EQ(outputTargetFor(s), OutputTarget::MapSource);
    s.EdgeSupport = 1;
    EXPECT_EQ(outputTargetFor(s), OutputTarget::Gps);
    s.Mode = 22;
    s.Splitlen_r = 77;
    ConversionRequest r = requestFromSettings(s);
    EXPECT_EQ(r.option, 22);
    EXPECT_EQ(r.splitField, 77u);
    EXPECT_EQ(r.outputTarget, OutputTarget::Gps);
}

}  // namespace
}  // namespace trakor
