// XSPF playlists: XML whose <playlist><trackList> holds one <track> per entry, each naming
// its file by a <location> URI (file:, another scheme, or relative to the playlist's
// folder). Read with expat; of several locations of one track the first is taken.
#include <expat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/text_file.h"
#include "playlist/media_strings.h"

namespace mivaro {
namespace {

// Elements nested deeper than this end the reading: no playlist needs it, and the
// element stack stays small whatever the file holds.
constexpr size_t kMaxElementDepth = 64;

// The element's name without a namespace prefix ("xspf:track" is "track").
std::string_view LocalName(const XML_Char* name) {
  std::string_view n(name);
  const size_t colon = n.rfind(':');
  return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

struct XspfReader {
  XML_Parser parser = nullptr;
  std::vector<std::string> path;  // local names of the open elements
  std::string location;           // text of the open <location>
  bool in_location = false;
  bool track_has_location = false;
  std::vector<WString> entries;

  // <playlist><trackList><track><location>, counted from the root.
  bool AtLevel(size_t depth, std::string_view name) const {
    static constexpr std::string_view kLevels[] = {"playlist", "trackList", "track",
                                                   "location"};
    if (path.size() != depth + 1 || path[depth] != name) return false;
    for (size_t i = 0; i < depth; ++i) {
      if (path[i] != kLevels[i]) return false;
    }
    return true;
  }

  static void Start(void* self, const XML_Char* name, const XML_Char**) {
    auto* r = static_cast<XspfReader*>(self);
    if (r->path.size() >= kMaxElementDepth) {
      XML_StopParser(r->parser, XML_FALSE);
      return;
    }
    r->path.emplace_back(LocalName(name));
    if (r->AtLevel(2, "track")) r->track_has_location = false;
    if (r->AtLevel(3, "location") && !r->track_has_location) {
      r->in_location = true;
      r->location.clear();
    }
  }

  static void End(void* self, const XML_Char*) {
    auto* r = static_cast<XspfReader*>(self);
    if (r->in_location && r->AtLevel(3, "location")) {
      r->in_location = false;
      r->track_has_location = true;
      r->entries.push_back(U16(r->location));
    }
    if (!r->path.empty()) r->path.pop_back();
  }

  static void Text(void* self, const XML_Char* s, int len) {
    auto* r = static_cast<XspfReader*>(self);
    if (r->in_location && r->AtLevel(3, "location") && len > 0) {
      r->location.append(s, static_cast<size_t>(len));
    }
  }

  // A document type declaration has no place in XSPF; refusing it keeps entity tricks out.
  static void Doctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    XML_StopParser(static_cast<XspfReader*>(self)->parser, XML_FALSE);
  }
};

}  // namespace

std::vector<WString> ParseXspfEntries(std::string_view bytes) {
  XspfReader reader;
  reader.parser = XML_ParserCreate(nullptr);
  if (reader.parser == nullptr) return {};
  XML_SetUserData(reader.parser, &reader);
  XML_SetElementHandler(reader.parser, &XspfReader::Start, &XspfReader::End);
  XML_SetCharacterDataHandler(reader.parser, &XspfReader::Text);
  XML_SetStartDoctypeDeclHandler(reader.parser, &XspfReader::Doctype);
  // Fed in pieces: expat takes lengths as int.
  constexpr size_t kChunk = 1 << 20;
  bool ok = true;
  size_t at = 0;
  do {
    const size_t n = std::min(kChunk, bytes.size() - at);
    const bool last = at + n == bytes.size();
    ok = XML_Parse(reader.parser, bytes.data() + at, static_cast<int>(n), last) ==
         XML_STATUS_OK;
    at += n;
  } while (ok && at < bytes.size());
  XML_ParserFree(reader.parser);
  // A damaged file still gives the tracks read before the damage.
  return std::move(reader.entries);
}

bool TMyMediaStrings::ReadXspf(const WString& file, const WString& base, ExpandState& state,
                               std::vector<TMyStringItem>& out, int depth) {
  std::string bytes;
  if (!ReadWholeFileBytes(file, bytes)) return true;
  const std::vector<WString> entries = ParseXspfEntries(bytes);
  int taken = 0;
  for (const WString& entry : entries) {
    if (!TakeEntry(entry, base, state, out, depth, EntryForm::Uri, taken)) return false;
  }
  return true;
}

}  // namespace mivaro
