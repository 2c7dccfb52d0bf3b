// Graph helpers, the graph's description, ".GRF" files and the event queue, over the
// scripted graph (no media engine needed).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/media/graph_helpers.h"
#include "tests/support/scripted_graph.h"

namespace mivaro {
namespace {

class GraphHelpers : public ::testing::Test {
 protected:
  TScriptedMachine machine_;
  TScriptedGraph graph_;
};

TEST_F(GraphHelpers, FindFilterByFriendlyNameIgnoresCaseAndReportsMisses) {
  TMediaFilterPtr f;
  ASSERT_EQ(FindFilterByFriendlyName(&f, TFilterCategory::LegacyAmFilter, u"video RENDERER"), S_OK);
  EXPECT_EQ(f->Kind(), TFilterKind::VideoRenderer);
  EXPECT_EQ(f->FriendlyName(), u"Video Renderer");
  EXPECT_EQ(FindFilterByFriendlyName(&f, TFilterCategory::LegacyAmFilter, u"Video"), E_FAIL)
      << "whole names only";
  EXPECT_EQ(f, nullptr) << "the out-parameter is cleared first";
  machine_.hasAudioDevice = false;
  EXPECT_EQ(FindFilterByFriendlyName(&f, TFilterCategory::AudioRenderer, kDefaultAudioDeviceName),
            S_FALSE)
      << "an empty category";
  EXPECT_EQ(FindFilterByFriendlyName(nullptr, TFilterCategory::AudioRenderer, u"x"), E_POINTER);
  // Found, but the engine cannot make it.
  machine_.missingElements = {VideoRendererElement()};
  EXPECT_EQ(FindFilterByFriendlyName(&f, TFilterCategory::LegacyAmFilter, kVideoRendererName),
            E_FAIL);
}

TEST_F(GraphHelpers, PinsByNameFreePinsAndConnections) {
  TMediaFilterPtr mixer, renderer;
  ASSERT_EQ(AddOverlayMixerRenderer(&mixer, &renderer, &graph_), S_OK);
  TMediaPin* pin = nullptr;
  ASSERT_EQ(FindPinByName(mixer.get(), u"input0", &pin), S_OK);
  EXPECT_EQ(pin->Name(), u"Input0");
  EXPECT_EQ(FindPinByName(mixer.get(), u"Input1", &pin), E_FAIL);
  EXPECT_EQ(pin, nullptr);
  EXPECT_EQ(FindPinByName(nullptr, u"Input0", &pin), E_POINTER);

  // The mixer's output is connected to the renderer, so no free output remains.
  EXPECT_TRUE(HasConnectedPin(mixer.get(), PINDIR_OUTPUT));
  EXPECT_TRUE(HasConnectedPin(renderer.get(), PINDIR_INPUT));
  EXPECT_EQ(FindFreePin(mixer.get(), PINDIR_OUTPUT, &pin), E_FAIL);
  EXPECT_EQ(FindFreePin(nullptr, PINDIR_INPUT, &pin), E_POINTER);
  ASSERT_EQ(FindFreePin(mixer.get(), PINDIR_INPUT, &pin), S_OK);

  // Only output pins connect to a filter; missing arguments are E_POINTER.
  EXPECT_EQ(ConnectPinToFilter(&graph_, pin, renderer.get()), E_FAIL);
  EXPECT_EQ(ConnectPinToFilter(&graph_, nullptr, renderer.get()), E_POINTER);
  EXPECT_EQ(ConnectFilters(&graph_, mixer.get(), nullptr), E_POINTER);
  EXPECT_EQ(ConnectFilters(&graph_, mixer.get(), renderer.get()), E_FAIL) << "nothing free";

  DisconnectFilterPins(mixer.get());
  EXPECT_FALSE(HasConnectedPin(renderer.get(), PINDIR_INPUT));
  EXPECT_EQ(ConnectFilters(&graph_, mixer.get(), renderer.get()), S_OK);
  StopAndDisconnectAll(&graph_);
  EXPECT_FALSE(HasConnectedPin(mixer.get(), PINDIR_OUTPUT));
  EXPECT_EQ(graph_.state, State_Stopped);
}

TEST_F(GraphHelpers, RemoveListedFiltersAndFindTheVideoRenderer) {
  TMediaFilterPtr vmr9, grabber;
  ASSERT_EQ(AddVMR9(&vmr9, &graph_), S_OK);
  ASSERT_EQ(AddSampleGrabber(&grabber, &graph_), S_OK);
  EXPECT_EQ(grabber->Name(), u"Sample Grabber");
  TMediaFilterPtr found;
  FindVideoRendererInGraph(&found, &graph_);
  EXPECT_EQ(found, nullptr) << "nothing is connected yet";
  ASSERT_EQ(graph_.RenderFile(u"/tmp/x.mp4"), S_OK);
  FindVideoRendererInGraph(&found, &graph_);
  EXPECT_EQ(found, vmr9);

  std::size_t before = graph_.EnumFilters().size();
  RemoveListedFilters(&graph_, {vmr9, grabber, nullptr});
  EXPECT_EQ(graph_.EnumFilters().size(), before - 2);
  FindVideoRendererInGraph(&found, &graph_);
  EXPECT_EQ(found, nullptr);
  RemoveListedFilters(nullptr, {vmr9});
}

TEST_F(GraphHelpers, AddHelpersReuseTheirFilterExceptVmr7) {
  TMediaFilterPtr f;
  ASSERT_EQ(AddEVR(&f, &graph_), S_OK);
  TMediaFilter* first = f.get();
  EXPECT_EQ(AddEVR(&f, &graph_), E_FAIL) << "already in the graph";
  ASSERT_EQ(graph_.RemoveFilter(f), S_OK);
  EXPECT_EQ(AddEVR(&f, &graph_), S_OK);
  EXPECT_EQ(f.get(), first) << "the held filter is added again";

  TMediaFilterPtr vmr7;
  ASSERT_EQ(AddVMR7(&vmr7, &graph_), S_OK);
  TMediaFilter* v1 = vmr7.get();
  EXPECT_EQ(AddVMR7(&vmr7, &graph_), S_OK) << "VMR7 counts only its creation";
  EXPECT_NE(vmr7.get(), v1);
  machine_.missingElements = {VMR7Element()};
  EXPECT_EQ(AddVMR7(&vmr7, &graph_), E_FAIL);
}

TEST_F(GraphHelpers, GraphStateAndNames) {
  EXPECT_EQ(GetGraphState(nullptr), 0);
  graph_.Run();
  EXPECT_EQ(GetGraphState(&graph_), 2);
  graph_.Pause();
  EXPECT_EQ(GetGraphState(&graph_), 1);
  EXPECT_TRUE(IsGraphFileName(u"/a/b/c.grf"));
  EXPECT_TRUE(IsGraphFileName(u"C.GrF"));
  EXPECT_FALSE(IsGraphFileName(u"/a.grf/b"));
  EXPECT_FALSE(IsGraphFileName(u"grf"));
}

TEST_F(GraphHelpers, EventQueueKeepsOrderAndStopsNotifying) {
  auto queue = graph_.MediaEvent();
  int notified = 0;
  queue->SetNotifyWindow([&] { ++notified; });
  graph_.PostEvent(EC_CLOCK_CHANGED);
  graph_.PostEvent(EC_PAUSED, 7, 8);
  EXPECT_EQ(notified, 2);
  int code = 0;
  std::intptr_t p1 = 0, p2 = 0;
  ASSERT_EQ(queue->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(code, EC_CLOCK_CHANGED);
  ASSERT_EQ(queue->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(code, EC_PAUSED);
  EXPECT_EQ(p1, 7);
  EXPECT_EQ(p2, 8);
  EXPECT_EQ(queue->GetEvent(&code, &p1, &p2, 0), E_ABORT);
  // A waiting reader is woken by an event from another thread.
  std::thread poster([&] { graph_.PostEvent(EC_COMPLETE); });
  EXPECT_EQ(queue->GetEvent(&code, &p1, &p2, 5000), S_OK);
  poster.join();
  EXPECT_EQ(code, EC_COMPLETE);
  queue->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
  graph_.PostEvent(EC_COMPLETE);
  EXPECT_EQ(notified, 3);
  EXPECT_EQ(queue->PendingEvents(), 1u);
}

class GraphFiles : public GraphHelpers {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("mivaro-grf-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(GraphFiles, DescriptionRoundTripKeepsFiltersConnectionsAndFile) {
  TMediaFilterPtr mixer, renderer;
  ASSERT_EQ(AddOverlayMixerRenderer(&mixer, &renderer, &graph_), S_OK);
  ASSERT_EQ(graph_.RenderFile(u"/media/映画\t1.mp4"), S_OK);
  std::string text;
  ASSERT_EQ(graph_.SaveDescription(&text), S_OK);
  EXPECT_EQ(text.rfind("MivaroGraph\t1\n", 0), 0u);

  TScriptedGraph loaded;
  ASSERT_EQ(loaded.LoadDescription(text), S_OK);
  EXPECT_EQ(loaded.RenderedFile(), u"/media/映画\t1.mp4");
  std::vector<WString> names;
  for (const auto& f : loaded.EnumFilters()) names.push_back(f->Name());
  // The stored filters come first; the file's own source is added again by rendering.
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], u"Overlay Mixer");
  EXPECT_EQ(names[1], u"Video Renderer");
  EXPECT_TRUE(HasConnectedPin(loaded.EnumFilters()[0].get(), PINDIR_OUTPUT));
  EXPECT_TRUE(HasConnectedPin(loaded.EnumFilters()[0].get(), PINDIR_INPUT));
}

TEST_F(GraphFiles, MalformedDescriptionsAreRejectedWithoutChangingTheGraph) {
  const char* bad[] = {
      "",
      "MivaroGraph\t2\n",
      "Something else\n",
      "MivaroGraph\t1\nF\t99\tximagesink\tx\tx\n",
      "MivaroGraph\t1\nF\t1\tfilesrc\tx\tx\n",  // a source may not come from a file
      "MivaroGraph\t1\nF\t4\tximagesink\tx\tx\nC\t0\tInput\t5\tInput\n",
      "MivaroGraph\t1\nF\t4\tximagesink\tx\tx%ZZ\n",
      "MivaroGraph\t1\nF\t4\tximagesink\tx\tx\nX\tjunk\n",
      "MivaroGraph\t1\nR\ta\nR\tb\n",
      "MivaroGraph\t1\nF\t4\tximagesink\tx\n",
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    TScriptedGraph g;
    EXPECT_EQ(g.LoadDescription(text), E_FAIL);
    EXPECT_TRUE(g.EnumFilters().empty());
  }
}

TEST_F(GraphFiles, ElementsFromAFileAreLimitedToTheirPart) {
  TScriptedGraph g;
  ASSERT_EQ(g.LoadDescription("MivaroGraph\t1\n"
                              "F\t4\tfilesink location=/tmp/x\tVideo Renderer\tVideo Renderer\n"
                              "F\t5\tshout2send\tAudio\tAudio\n"
                              "F\t2\tavdec_h264\tffdshow Video Decoder\tffdshow Video Decoder\n"),
            S_OK);
  auto filters = g.EnumFilters();
  ASSERT_EQ(filters.size(), 3u);
  EXPECT_EQ(filters[0]->Element(), VideoRendererElement());
  EXPECT_EQ(filters[1]->Element(), DefaultAudioSinkElement());
  EXPECT_EQ(filters[2]->Element(), "avdec_h264");
}


TEST_F(GraphFiles, GrfIsACompoundFileWithTheGraphStream) {
  TMediaFilterPtr vmr9;
  ASSERT_EQ(AddVMR9(&vmr9, &graph_), S_OK);
  ASSERT_EQ(graph_.RenderFile(u"/media/a.mp4"), S_OK);
  const std::string path = (dir_ / "graph.GRF").string();
  HRESULT hr = SaveGraphFile(&graph_, U16(path));
  if (hr == E_NOTIMPL) GTEST_SKIP() << "built without libgsf";
  ASSERT_EQ(hr, S_OK);
  EXPECT_TRUE(IsStorageFile(U16(path)));
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
  // The stream name is stored in the directory in UTF-16.
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string utf16name;
  for (char c : std::string(kGraphStreamName)) {
    utf16name += c;
    utf16name += '\0';
  }
  EXPECT_NE(bytes.find(utf16name), std::string::npos);

  TScriptedGraph loaded;
  ASSERT_EQ(LoadGraphFile(&loaded, U16(path)), S_OK);
  EXPECT_EQ(loaded.RenderedFile(), u"/media/a.mp4");
  EXPECT_EQ(loaded.EnumFilters()[0]->Name(), u"VMR9");

  // Not a compound file, a missing file, no graph, an unwritable place.
  std::ofstream(dir_ / "text.grf") << "not a graph";
  EXPECT_EQ(LoadGraphFile(&loaded, U16((dir_ / "text.grf").string())), E_FAIL);
  EXPECT_EQ(LoadGraphFile(&loaded, U16((dir_ / "none.grf").string())), E_FAIL);
  EXPECT_EQ(SaveGraphFile(nullptr, U16(path)), E_POINTER);
  EXPECT_EQ(SaveGraphFile(&graph_, U16((dir_ / "no/such/dir.grf").string())), E_FAIL);
  EXPECT_TRUE(IsStorageFile(U16(path))) << "the earlier file is intact";
}

}  // namespace
}  // namespace mivaro
