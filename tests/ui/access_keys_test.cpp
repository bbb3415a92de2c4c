#include <gtest/gtest.h>

#include "ui/AccessKeys.h"

using Captions = std::vector<std::string>;

TEST(MenuAccessKeys, EveryEntryGetsAKeyOfItsOwnAndMarkedKeysAreKept) {
  EXPECT_EQ(WithAccessKeys({"Connect selected drive", "Connect all drives", "-", "Disconnect selected drive",
                            "Disconnect all drives", "-", "Add network drive...", "Remove network drive",
                            "Remove all network drives", "-", "Properties...", "Open..."}),
            (Captions{"&Connect selected drive", "C&onnect all drives", "-", "&Disconnect selected drive",
                      "D&isconnect all drives", "-", "&Add network drive...", "&Remove network drive",
                      "R&emove all network drives", "-", "&Properties...", "Ope&n..."}));
  // A key given in the text wins, also over an earlier entry's first letter.
  EXPECT_EQ(WithAccessKeys({"Help", "&Home"}), (Captions{"H&elp", "&Home"}));
  // "&&" is a plain ampersand; text without a usable letter is left alone.
  EXPECT_EQ(WithAccessKeys({"R&&D", "...", ""}), (Captions{"&R&&D", "...", ""}));
  // Letters in any case are one key.
  EXPECT_EQ(WithAccessKeys({"exit", "Exit"}), (Captions{"&exit", "E&xit"}));
}
