#include "player/action_states.h"

#include <gtest/gtest.h>

namespace mivaro::test {
namespace {

// With nothing open and nothing attached only the screen modes are offered.
TEST(ActionStates, EmptyWindowOffersOnlyTheScreenModes) {
  const TMyActionStates s = ActionStates({});
  EXPECT_TRUE(s.screen_modes);
  for (bool on : {s.playback, s.navigation, s.wallpaper, s.fixed_sizes, s.capture, s.entry,
                  s.file_commands, s.list, s.sort, s.paste})
    EXPECT_FALSE(on);
}

// The rules that combine two facts: each needs both.
TEST(ActionStates, CombinedRulesNeedEveryFact) {
  TMyActionFacts f;
  f.opened = f.has_items = f.video = f.capture_ready = true;
  f.full_screen = true;
  TMyActionStates s = ActionStates(f);
  EXPECT_FALSE(s.fixed_sizes);  // no fixed size in full screen
  EXPECT_TRUE(s.capture);
  EXPECT_FALSE(s.entry);          // entries, but none is current
  EXPECT_FALSE(s.sort);           // the sort commands are not attached
  f.file_commands = true;
  s = ActionStates(f);
  EXPECT_TRUE(s.sort);            // sorting needs entries only
  EXPECT_FALSE(s.file_commands);  // the file commands need the current entry
  f.full_screen = false;
  f.capture_ready = false;  // the capture tool is on show
  f.current = true;
  s = ActionStates(f);
  EXPECT_TRUE(s.fixed_sizes);
  EXPECT_FALSE(s.capture);
  EXPECT_TRUE(s.file_commands);
}

}  // namespace
}  // namespace mivaro::test
