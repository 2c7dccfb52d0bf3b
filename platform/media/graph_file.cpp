// The graph's own description (its persistent form) and ".GRF" graph files.
//
// Description, UTF-8 text, one record per line, fields separated by tabs, with "%", tab,
// CR and LF inside fields written as %25, %09, %0D, %0A:
//   MivaroGraph<TAB>1
//   F<TAB>kind<TAB>element<TAB>friendly name<TAB>name in graph     (one per filter)
//   C<TAB>filter index<TAB>pin name<TAB>filter index<TAB>pin name  (connections)
//   R<TAB>file                                                     (the file rendered)
// Filters that automatic rendering adds for the file (its source) are not stored: loading
// renders the file again around the stored filters.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/media/graph_helpers.h"
#include "platform/media/media_graph.h"

#ifdef MIVARO_HAVE_GSF
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#endif

namespace mivaro {

namespace {

constexpr char kHeader[] = "MivaroGraph";
// A stored description larger than this is not a graph description.
constexpr std::size_t kMaxDescription = 1u << 20;
constexpr std::size_t kMaxFilters = 256;

std::string Escape(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '%': out += "%25"; break;
      case '\t': out += "%09"; break;
      case '\r': out += "%0D"; break;
      case '\n': out += "%0A"; break;
      default: out += c;
    }
  }
  return out;
}

bool Unescape(std::string_view s, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      *out += s[i];
      continue;
    }
    if (i + 2 >= s.size()) return false;
    std::string_view hex = s.substr(i + 1, 2);
    if (hex == "25") *out += '%';
    else if (hex == "09") *out += '\t';
    else if (hex == "0D") *out += '\r';
    else if (hex == "0A") *out += '\n';
    else return false;
    i += 2;
  }
  return true;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return parts;
}

bool ParseIndex(std::string_view s, std::size_t limit, std::size_t* out) {
  if (s.empty() || s.size() > 6) return false;
  std::size_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<std::size_t>(c - '0');
  }
  if (v >= limit) return false;
  *out = v;
  return true;
}

// Only elements that play the filter's part may come out of a file: anything else is
// replaced by the usual element of that kind.
std::string SafeElement(TFilterKind kind, const std::string& element) {
  switch (kind) {
    case TFilterKind::VideoRenderer:
      for (const auto& e : {VideoRendererElement(), VMR7Element(), VMR9Element(), EVRElement(),
                            std::string("fakesink")})
        if (element == e) return element;
      return VideoRendererElement();
    case TFilterKind::OverlayMixer:
      return OverlayMixerElement();
    case TFilterKind::VideoDecoder:
    case TFilterKind::AudioDecoder:
      return element.rfind("avdec_", 0) == 0 && element.size() < 64 &&
                     element.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") ==
                         std::string::npos
                 ? element
                 : (kind == TFilterKind::VideoDecoder ? "avdec_h264" : "avdec_aac");
    case TFilterKind::AudioRenderer:
      for (const auto& e : {std::string("autoaudiosink"), std::string("pulsesink"),
                            std::string("alsasink"), std::string("pipewiresink"),
                            std::string("fakesink"), DefaultAudioSinkElement()})
        if (element == e) return element;
      return DefaultAudioSinkElement();
    case TFilterKind::SampleGrabber:
      return "appsink";
    default:
      return {};
  }
}

}  // namespace

HRESULT TMediaGraph::SaveDescription(std::string* out) {
  if (!out) return E_POINTER;
  std::ostringstream s;
  s << kHeader << "\t1\n";
  std::map<const TMediaFilter*, std::size_t> index;
  std::vector<TMediaFilterPtr> kept;
  for (const auto& f : filters_) {
    if (f->Kind() == TFilterKind::Source) continue;
    index[f.get()] = kept.size();
    kept.push_back(f);
    s << "F\t" << static_cast<int>(f->Kind()) << '\t' << Escape(f->Element()) << '\t'
      << Escape(Utf8(f->FriendlyName())) << '\t' << Escape(Utf8(f->Name())) << '\n';
  }
  for (const auto& f : kept) {
    for (const auto& p : f->Pins()) {
      if (p->Direction() != PINDIR_OUTPUT || !p->Peer()) continue;
      auto it = index.find(p->Peer()->Filter());
      if (it == index.end()) continue;
      s << "C\t" << index[f.get()] << '\t' << Escape(Utf8(p->Name())) << '\t' << it->second
        << '\t' << Escape(Utf8(p->Peer()->Name())) << '\n';
    }
  }
  if (!renderedFile_.empty()) s << "R\t" << Escape(Utf8(renderedFile_)) << '\n';
  *out = s.str();
  return S_OK;
}

HRESULT TMediaGraph::LoadDescription(std::string_view in) {
  if (in.size() > kMaxDescription) return E_FAIL;
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < in.size()) {
    std::size_t nl = in.find('\n', start);
    if (nl == std::string_view::npos) nl = in.size();
    std::string_view line = in.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) lines.push_back(line);
    start = nl + 1;
  }
  if (lines.empty()) return E_FAIL;
  auto head = SplitTabs(lines[0]);
  if (head.size() != 2 || head[0] != kHeader || head[1] != "1") return E_FAIL;

  // Check everything before changing the graph.
  struct FilterRec { TFilterKind kind; std::string element, friendly, name; };
  struct ConnRec { std::size_t from, to; std::string fromPin, toPin; };
  std::vector<FilterRec> filters;
  std::vector<ConnRec> conns;
  std::string file;
  bool haveFile = false;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    auto f = SplitTabs(lines[i]);
    if (f[0] == "F" && f.size() == 5) {
      std::size_t kind = 0;
      if (!ParseIndex(f[1], static_cast<std::size_t>(TFilterKind::SampleGrabber) + 1, &kind) ||
          filters.size() >= kMaxFilters)
        return E_FAIL;
      FilterRec r{static_cast<TFilterKind>(kind), {}, {}, {}};
      if (!Unescape(f[2], &r.element) || !Unescape(f[3], &r.friendly) ||
          !Unescape(f[4], &r.name))
        return E_FAIL;
      if (r.kind == TFilterKind::Source || r.kind == TFilterKind::Other) return E_FAIL;
      filters.push_back(std::move(r));
    } else if (f[0] == "C" && f.size() == 5) {
      ConnRec c{};
      if (!ParseIndex(f[1], filters.size(), &c.from) || !ParseIndex(f[3], filters.size(), &c.to) ||
          !Unescape(f[2], &c.fromPin) || !Unescape(f[4], &c.toPin))
        return E_FAIL;
      conns.push_back(std::move(c));
    } else if (f[0] == "R" && f.size() == 2 && !haveFile) {
      if (!Unescape(f[1], &file)) return E_FAIL;
      haveFile = true;
    } else {
      return E_FAIL;
    }
  }

  std::vector<TMediaFilterPtr> made;
  for (const auto& r : filters) {
    auto filter = MakeMediaFilter(r.kind, SafeElement(r.kind, r.element), U16(r.friendly));
    if (AddFilter(filter, U16(r.name)) != S_OK) return E_FAIL;
    made.push_back(filter);
  }
  for (const auto& c : conns) {
    TMediaPin* outPin = nullptr;
    TMediaPin* inPin = nullptr;
    if (FindPinByName(made[c.from].get(), U16(c.fromPin), &outPin) != S_OK ||
        FindPinByName(made[c.to].get(), U16(c.toPin), &inPin) != S_OK)
      return E_FAIL;
    if (Connect(outPin, inPin) != S_OK) return E_FAIL;
  }
  if (haveFile && !file.empty()) return RenderFile(U16(file));
  return S_OK;
}

bool IsStorageFile(WStringView fileName) {
  static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::ifstream f(Utf8(fileName), std::ios::binary);
  unsigned char buf[8] = {};
  if (!f.read(reinterpret_cast<char*>(buf), 8)) return false;
  return std::memcmp(buf, kSignature, 8) == 0;
}

#ifdef MIVARO_HAVE_GSF
namespace {
void EnsureGsf() {
  static const bool once = [] {
    gsf_init();
    return true;
  }();
  (void)once;
}
}  // namespace

HRESULT SaveGraphFile(TMediaGraph* graph, WStringView fileName) {
  if (!graph) return E_POINTER;
  if (fileName.empty()) return E_INVALIDARG;
  std::string text;
  HRESULT hr = graph->SaveDescription(&text);
  if (hr != S_OK) return hr;
  EnsureGsf();
  // Written beside the target and moved over it only when complete, so a failed save
  // leaves any earlier file intact.
  const std::string path = Utf8(fileName);
  const std::string temp = path + ".part";
  GError* err = nullptr;
  GsfOutput* out = gsf_output_stdio_new(temp.c_str(), &err);
  if (!out) {
    if (err) g_error_free(err);
    return E_FAIL;
  }
  GsfOutfile* ole = gsf_outfile_msole_new(out);
  g_object_unref(out);
  if (!ole) {
    std::remove(temp.c_str());
    return E_FAIL;
  }
  GsfOutput* child = gsf_outfile_new_child(ole, kGraphStreamName, FALSE);
  bool ok = child != nullptr;
  if (child) {
    ok = gsf_output_write(child, text.size(), reinterpret_cast<const guint8*>(text.data()));
    ok = gsf_output_close(child) && ok;
    g_object_unref(child);
  }
  ok = gsf_output_close(GSF_OUTPUT(ole)) && ok;
  g_object_unref(ole);
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return E_FAIL;
  }
  return S_OK;
}

HRESULT LoadGraphFile(TMediaGraph* graph, WStringView fileName) {
  if (!graph) return E_POINTER;
  if (!IsStorageFile(fileName)) return E_FAIL;
  EnsureGsf();
  GError* err = nullptr;
  GsfInput* input = gsf_input_stdio_new(Utf8(fileName).c_str(), &err);
  if (!input) {
    if (err) g_error_free(err);
    return E_FAIL;
  }
  GsfInfile* ole = gsf_infile_msole_new(input, &err);
  g_object_unref(input);
  if (!ole) {
    if (err) g_error_free(err);
    return E_FAIL;
  }
  GsfInput* stream = gsf_infile_child_by_name(ole, kGraphStreamName);
  std::string text;
  bool ok = false;
  if (stream) {
    gsf_off_t size = gsf_input_size(stream);
    if (size >= 0 && static_cast<std::size_t>(size) <= kMaxDescription) {
      text.resize(static_cast<std::size_t>(size));
      ok = size == 0 ||
           gsf_input_read(stream, static_cast<std::size_t>(size),
                          reinterpret_cast<guint8*>(text.data())) != nullptr;
    }
    g_object_unref(stream);
  }
  g_object_unref(ole);
  if (!ok) return E_FAIL;
  return graph->LoadDescription(text);
}
#else
HRESULT SaveGraphFile(TMediaGraph* graph, WStringView) { return graph ? E_NOTIMPL : E_POINTER; }
HRESULT LoadGraphFile(TMediaGraph* graph, WStringView) { return graph ? E_NOTIMPL : E_POINTER; }
#endif

}  // namespace mivaro
