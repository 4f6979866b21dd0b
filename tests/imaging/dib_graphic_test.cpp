#include "imaging/dib_graphic.h"

#include <gtest/gtest.h>

TEST(DibGraphic, NewPictureIsEmpty)
{
    TDibGraphic picture;
    EXPECT_TRUE(picture.GetEmpty());
    EXPECT_EQ(picture.GetWidth(), 0);
    EXPECT_EQ(picture.GetHeight(), 0);
}
