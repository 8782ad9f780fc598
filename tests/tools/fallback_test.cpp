#include "tools/fallback.h"

#include <gtest/gtest.h>

namespace orvelle {
namespace {

using Words = std::vector<std::string>;

TEST(SplitCommandLine, SplitsAtBlanksAndGroupsQuotes) {
  Words words;
  ASSERT_TRUE(SplitCommandLine("  thumbnailer  -i %i\t-o '%o' -s \"%s\" ", &words));
  EXPECT_EQ(words, (Words{"thumbnailer", "-i", "%i", "-o", "%o", "-s", "%s"}));
  ASSERT_TRUE(SplitCommandLine("sh -c 'exit 7' \"a b\"c ''", &words));
  EXPECT_EQ(words, (Words{"sh", "-c", "exit 7", "a bc", ""}));
}

TEST(SplitCommandLine, RejectsEmptyLinesAndOpenQuotes) {
  Words words;
  EXPECT_FALSE(SplitCommandLine("", &words));
  EXPECT_FALSE(SplitCommandLine(" \t ", &words));
  EXPECT_FALSE(SplitCommandLine("thumbnailer 'unterminated", &words));
}

TEST(ExpandPlaceholders, FillsInEveryPlaceholderOnlyOnce) {
  const Words expanded = ExpandPlaceholders({"t", "%i", "--out=%o", "%s%%", "%x", "%", "%i%o"},
                                            "in %o.mov", "out.png", "128");
  EXPECT_EQ(expanded,
            (Words{"t", "in %o.mov", "--out=out.png", "128%", "%x", "%", "in %o.movout.png"}));
}

TEST(FindProgram, LooksThroughPath) {
  EXPECT_TRUE(FindProgram("sh"));
  EXPECT_TRUE(FindProgram("/bin/sh"));
  EXPECT_FALSE(FindProgram("no-such-program-orvelle"));
}

TEST(RunProgram, ReturnsTheExitStatus) {
  EXPECT_EQ(RunProgram({"sh", "-c", "exit 3"}), 3);
  EXPECT_EQ(RunProgram({"sh", "-c", "kill -9 $$"}), 128 + 9);
  EXPECT_EQ(RunProgram({"no-such-program-orvelle"}), 127);
}

}  // namespace
}  // namespace orvelle
