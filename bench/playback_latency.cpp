// Playback latency of the player against a plain GStreamer playbin, in the same run.
//
//   bench_playback_latency [-n REPS] [-s SEEK_S] FILE
//
// For each repetition, alternately for the baseline and for the player:
//   open:  baseline playbin NULL -> PLAYING until ASYNC_DONE (first frame shown);
//          player Open (prerolls, first frame shown) + Play
//   seek:  paused, flushing accurate seek to SEEK_S until the new frame is prerolled
//          (baseline: ASYNC_DONE; player: SetPosition + the graph settling)
//   step:  paused, one frame step until STEP_DONE (player: FrameStep(1) until
//          EC_STEP_COMPLETE arrives in its event queue)
// Video goes to ximagesink when a display is set (else fakesink), audio to a synchronised
// fakesink, as in /work/shared/bench/playback-latency.c. Prints medians and the ratio
// player / baseline; "@metric name=value" lines for bench.py.
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/media/gst_graph.h"
#include "platform/media/gst_reaper.h"
#include "player/media_player.h"

using namespace mivaro;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

[[noreturn]] void Die(const char* what) {
  std::fprintf(stderr, "bench_playback_latency: %s\n", what);
  std::exit(1);
}

// Waits for a message of `types` from `src`; errors and time-outs end the program.
void WaitFor(GstBus* bus, GstMessageType types, GstObject* src) {
  for (;;) {
    GstMessage* m = gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND,
                                               static_cast<GstMessageType>(types | GST_MESSAGE_ERROR));
    if (!m) Die("baseline timed out");
    if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR) Die("baseline error");
    bool match = (GST_MESSAGE_TYPE(m) & types) && (!src || GST_MESSAGE_SRC(m) == src);
    gst_message_unref(m);
    if (match) return;
  }
}

void Drain(GstBus* bus) {
  while (GstMessage* m = gst_bus_pop(bus)) gst_message_unref(m);
}

struct Baseline {
  GstElement* playbin = nullptr;
  GstElement* vsink = nullptr;
  GstBus* bus = nullptr;

  explicit Baseline(const std::string& file) {
    gchar* uri = gst_filename_to_uri(file.c_str(), nullptr);
    playbin = gst_element_factory_make("playbin", nullptr);
    vsink = gst_element_factory_make(std::getenv("DISPLAY") ? "ximagesink" : "fakesink", nullptr);
    GstElement* as = gst_element_factory_make("fakesink", nullptr);
    if (!uri || !playbin || !vsink || !as) Die("cannot make the baseline playbin");
    if (!std::getenv("DISPLAY")) g_object_set(vsink, "sync", TRUE, nullptr);
    g_object_set(as, "sync", TRUE, nullptr);
    g_object_set(playbin, "uri", uri, "video-sink", vsink, "audio-sink", as, nullptr);
    g_free(uri);
    bus = gst_element_get_bus(playbin);
  }
  ~Baseline() {
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(playbin);
  }
  double Open() {
    gst_element_set_state(playbin, GST_STATE_NULL);
    Drain(bus);
    auto t0 = Clock::now();
    gst_element_set_state(playbin, GST_STATE_PLAYING);
    WaitFor(bus, GST_MESSAGE_ASYNC_DONE, GST_OBJECT(playbin));
    return Ms(t0, Clock::now());
  }
  void PauseAt(double s) {
    gst_element_set_state(playbin, GST_STATE_PAUSED);
    gst_element_get_state(playbin, nullptr, nullptr, 20 * GST_SECOND);
    Drain(bus);
    gst_element_seek_simple(playbin, GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT),
                            static_cast<gint64>(s * GST_SECOND));
    WaitFor(bus, GST_MESSAGE_ASYNC_DONE, GST_OBJECT(playbin));
  }
  double Seek(double s) {
    Drain(bus);
    auto t0 = Clock::now();
    gst_element_seek_simple(playbin, GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            static_cast<gint64>(s * GST_SECOND));
    WaitFor(bus, GST_MESSAGE_ASYNC_DONE, GST_OBJECT(playbin));
    return Ms(t0, Clock::now());
  }
  double Step() {
    Drain(bus);
    auto t0 = Clock::now();
    gst_element_send_event(vsink, gst_event_new_step(GST_FORMAT_BUFFERS, 1, 1.0, TRUE, FALSE));
    WaitFor(bus, GST_MESSAGE_STEP_DONE, GST_OBJECT(vsink));
    double ms = Ms(t0, Clock::now());
    WaitFor(bus, GST_MESSAGE_ASYNC_DONE, GST_OBJECT(playbin));
    return ms;
  }
};

struct Ours {
  TMyMediaPlayer player;
  std::string file;

  explicit Ours(std::string f) : file(std::move(f)) { player.SetRenderer(vmVideoRenderer); }
  TGstGraphExtras* Extras() { return dynamic_cast<TGstGraphExtras*>(player.Graph()); }
  void DrainEvents() {
    if (!player.Graph()) return;
    int c;
    std::intptr_t a, b;
    while (player.Graph()->MediaEvent()->GetEvent(&c, &a, &b, 0) == S_OK) {
    }
  }
  double Open() {
    // Like the baseline's return to NULL, tearing down the previous file is not timed
    // (the engine does it on its reaper thread: wait for that too).
    player.Close();
    player.HandleGraphNotify();
    WaitForReaped();
    auto t0 = Clock::now();
    if (!player.Open(U16(file))) Die("the player could not open the file");
    player.Play();
    return Ms(t0, Clock::now());
  }
  void PauseAt(double s) {
    player.Pause();
    player.SetPosition(s);
    if (!Extras()->WaitUntilSettled(20000)) Die("player seek timed out");
    DrainEvents();
  }
  double Seek(double s) {
    auto t0 = Clock::now();
    player.SetPosition(s);
    if (!Extras()->WaitUntilSettled(20000)) Die("player seek timed out");
    return Ms(t0, Clock::now());
  }
  double Step() {
    DrainEvents();
    auto t0 = Clock::now();
    if (!player.FrameStep(1)) Die("player frame step refused");
    int c = 0;
    std::intptr_t a, b;
    for (;;) {
      if (player.Graph()->MediaEvent()->GetEvent(&c, &a, &b, 20000) != S_OK)
        Die("player frame step timed out");
      if (c == EC_STEP_COMPLETE) break;
    }
    double ms = Ms(t0, Clock::now());
    Extras()->WaitUntilSettled(20000);
    return ms;
  }
};

void Report(const char* name, const std::vector<double>& base, const std::vector<double>& ours) {
  double b = Median(base), o = Median(ours);
  std::printf("%-22s playbin %8.2f ms   player %8.2f ms   ratio %.3f\n", name, b, o,
              b > 0 ? o / b : 0.0);
  std::printf("@metric %s_playbin_ms=%.3f\n@metric %s_player_ms=%.3f\n@metric %s_ratio=%.3f\n",
              name, b, name, o, name, b > 0 ? o / b : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  int reps = 20;
  double seekTo = 10.0;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-n") && i + 1 < argc) reps = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "-s") && i + 1 < argc) seekTo = std::atof(argv[++i]);
    else file = argv[i];
  }
  if (!file || reps < 1) {
    std::fprintf(stderr, "usage: %s [-n REPS] [-s SEEK_S] FILE\n", argv[0]);
    return 2;
  }
  setenv("MIVARO_AUDIO_SINK", "fakesink", 0);
  if (!GstInitHolder::Ensure()) Die("GStreamer did not initialise");
  std::printf("GStreamer %s, video %s, %d reps + 1 warm-up\nfile: %s\n", gst_version_string(),
              std::getenv("DISPLAY") ? "ximagesink" : "fakesink", reps, file);

  Baseline base(file);
  Ours ours(file);
  std::vector<double> bo, oo, bs, os, bt, ot;
  for (int r = -1; r < reps; ++r) {
    // Alternate which one goes first, so that neither profits from the other's caching.
    bool baseFirst = (r % 2) == 0;
    double b1, o1;
    if (baseFirst) {
      b1 = base.Open();
      o1 = ours.Open();
    } else {
      o1 = ours.Open();
      b1 = base.Open();
    }
    base.PauseAt(0);
    ours.PauseAt(0);
    double b2, o2, b3, o3;
    if (baseFirst) {
      b2 = base.Seek(seekTo);
      o2 = ours.Seek(seekTo);
      b3 = base.Step();
      o3 = ours.Step();
    } else {
      o2 = ours.Seek(seekTo);
      b2 = base.Seek(seekTo);
      o3 = ours.Step();
      b3 = base.Step();
    }
    if (r < 0) continue;
    bo.push_back(b1);
    oo.push_back(o1);
    bs.push_back(b2);
    os.push_back(o2);
    bt.push_back(b3);
    ot.push_back(o3);
  }
  double pos = ours.player.Position();
  std::printf("player position after the last step: %.3f s\n", pos);
  Report("open_to_first_frame", bo, oo);
  Report("seek_accurate", bs, os);
  Report("frame_step", bt, ot);
  ours.player.Close();
  return 0;
}
