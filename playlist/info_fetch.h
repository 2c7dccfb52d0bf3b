// Reading one playlist entry's tag and media facts away from the user-interface thread.
//
// The window starts one job per clicked row. The job reads the tag, hands it over, reads
// the media properties and hands the tag over again. Hand-overs go through `post`, which
// runs a function on the user-interface thread later (a queued call); the window's own
// show functions compare the index with its current row and drop stale results. A job is
// stopped by its stop flag (the window sets it when the next row is clicked) or by the
// application closing; a stopped job posts nothing more.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/ustring.h"
#include "tags/tag.h"

namespace mivaro {

// What a job for one entry has to read: the tag (unless the entry's own tag is current)
// and the media properties (unless they are known too).
struct InfoFetchPlan {
  bool needTagRead = true;
  bool needMediaRead = false;
  std::unique_ptr<TMyTag> tag;  // copy of the entry's tag when only the media are missing
};

// `entryTag` is the playlist entry's own tag object or null. Reads the file's write time.
InfoFetchPlan PlanInfoFetch(WStringView path, const TMyCustomTag* entryTag);

struct InfoFetchCalls {
  // Runs a function on the user-interface thread later.
  std::function<void(std::function<void()>)> post;
  // Called on the user-interface thread; tag null = show the entry's own tag.
  std::function<void(std::int32_t index, const TMyTag* tag)> showTags;
  std::function<void(std::int32_t index, const TMyTag* tag)> showFileInfo;
  // Tag and media readers; the defaults read the file (tests put slow fakes here).
  std::function<std::unique_ptr<TMyTag>(WStringView path)> readTag;
  std::function<void(TMyTag& tag)> readMedia;
};

// Starts a detached job and returns its stop flag. `calls` are copied into the job.
std::shared_ptr<std::atomic<bool>> StartInfoFetch(std::int32_t index, WString path,
                                                  InfoFetchPlan plan,
                                                  const InfoFetchCalls& calls);

// Waits until every job has ended. Set their stop flags first: a stopped job ends after
// the read it is in. The window calls it when it goes, so that no job is still reading
// (and loading media plug-ins) while the process exits.
void WaitForInfoFetches();

}  // namespace mivaro

namespace mivaro {

// The texts of the information area for one entry.
struct InfoTagTexts {
  WString title;   // the title, or the file name without extension when it is empty
  WString artist;  // artist, then "//" and the original artist when there is one
  WString album;   // album, then "//" and the original album when there is one
};
InfoTagTexts MakeInfoTagTexts(const TMyCustomTag& tag);

// "size duration秒 (time)" with " WxH", " N.NNfps" and " Nbps" when known, or
// "ファイルが存在しません" when the file is gone.
WString MakeFileInfoText(const TMyCustomTag& tag, bool fileExists);

}  // namespace mivaro
