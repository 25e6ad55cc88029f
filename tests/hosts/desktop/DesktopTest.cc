// `hoververse desktop` on a private X server with openbox and a private
// session bus: its windows as the window manager sees them, clicks through
// them, the session's lock and the stage, monitors coming and going, its
// usage, its single instance and its bridge child.

#include <signal.h>
#include <xcb/shape.h>

#include <algorithm>
#include <cmath>

#include "DesktopFixture.h"
#include "WavFile.h"

namespace desktoptest {
namespace {

class DesktopTest : public DesktopFixture {
 protected:
  explicit DesktopTest(testsupport::Compositing compositing = testsupport::Compositing::on)
      : DesktopFixture(compositing) {}
  int depthOf(xcb_window_t w) {
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
    const int depth = g ? g->depth : 0;
    std::free(g);
    return depth;
  }
  // A plain managed window of another client, covering the screen, that
  // counts the button presses it receives.
  xcb_window_t makeNormalWindow() {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    const xcb_window_t w = xcb_generate_id(c_);
    const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_BUTTON_PRESS};
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_window_, 0, 0, 1280, 720, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const std::string name = "normal";
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                        static_cast<std::uint32_t>(name.size()), name.data());
    xcb_map_window(c_, w);
    xcb_flush(c_);
    return w;
  }
  // Clicks at a root pixel with xdotool; returns the number of presses the
  // normal window got once a click on a spot of its own came through after.
  int pressesReachingNormalWindow(int x, int y, int freeX, int freeY) {
    int presses = 0;
    bool marker = false;
    EXPECT_EQ(run({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"}).code, 0);
    EXPECT_EQ(run({"xdotool", "mousemove", std::to_string(freeX), std::to_string(freeY), "click", "1"}).code, 0);
    eventually([&] {
      while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
        if ((e->response_type & 0x7f) == XCB_BUTTON_PRESS) {
          const auto* press = reinterpret_cast<xcb_button_press_event_t*>(e);
          if (press->root_x == freeX && press->root_y == freeY) {
            marker = true;
          } else {
            ++presses;
          }
        }
        std::free(e);
      }
      return marker;
    });
    EXPECT_TRUE(marker) << run({"xdotool", "getmouselocation", "--shell"}).out << managedNames();
    return presses;
  }
  std::string managedNames() {
    std::string names;
    for (const xcb_window_t w : stacking()) names += "'" + nameOf(w) + "' ";
    return names;
  }
  // Button presses the test's windows received so far (after a round trip).
  int pendingPresses() {
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    int presses = 0;
    while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
      presses += (e->response_type & 0x7f) == XCB_BUTTON_PRESS ? 1 : 0;
      std::free(e);
    }
    return presses;
  }
  Rect lyricRect() { return rootRect(client("lyricWindow")); }
  // The rectangles of a window's input region (SHAPE): none takes no clicks.
  int inputRectangles(xcb_window_t w) {
    xcb_shape_get_rectangles_reply_t* r =
        xcb_shape_get_rectangles_reply(c_, xcb_shape_get_rectangles(c_, w, XCB_SHAPE_SK_INPUT), nullptr);
    const int count = r ? xcb_shape_get_rectangles_rectangles_length(r) : -1;
    std::free(r);
    return count;
  }
};

TEST_F(DesktopTest, TheFloatingWindowIsAnUndecoratedOverlayAboveOtherWindowsClickThroughOnlyWhenLocked) {
  setSettings(/*interactionLock=*/true, /*alwaysOn=*/false);
  const xcb_window_t normal = makeNormalWindow();
  ASSERT_TRUE(eventually([&] { return client("normal") != XCB_NONE; })) << managedNames();
  startHost();
  startPlayer();
  post("Lanterns on the water");
  ASSERT_EQ(ctl({"--session", "wait-line", "Lanterns on the water", "--timeout", "20"}).code, 0)
      << ctl({"--session", "dump"}).out << hostLog();
  ASSERT_TRUE(eventually([&] { return shown("lyricWindow") && client("lyricWindow") != XCB_NONE; })) << hostLog();

  const xcb_window_t lyric = client("lyricWindow");
  EXPECT_TRUE(viewable(lyric));
  const std::vector<xcb_window_t> order = stacking();
  const auto position = [&](xcb_window_t w) { return std::find(order.begin(), order.end(), w) - order.begin(); };
  EXPECT_GT(position(lyric), position(normal)) << "above the normal window";
  EXPECT_TRUE(hasState(lyric, "_NET_WM_STATE_ABOVE"));
  EXPECT_TRUE(hasState(lyric, "_NET_WM_STATE_SKIP_TASKBAR"));
  EXPECT_TRUE(hasState(lyric, "_NET_WM_STATE_SKIP_PAGER"));
  const std::vector<std::uint32_t> motif = property32(lyric, "_MOTIF_WM_HINTS");
  ASSERT_GE(motif.size(), 3U);
  EXPECT_EQ(motif[2], 0U) << "no decorations";
  EXPECT_EQ(propertyText(lyric, XCB_ATOM_WM_CLASS), std::string("hoververse\0hoververse\0", 22));
  // Where the system put it: the dump's frame on the screen, which is the
  // whole root here, and the window manager kept it there.
  const json frame = systemWindow("lyricWindow")->at("screenFrame");
  const Rect placed = lyricRect();
  EXPECT_EQ(placed.x, frame[0].get<int>());
  EXPECT_EQ(placed.y, frame[1].get<int>());
  EXPECT_EQ(placed.width, static_cast<int>(std::ceil(frame[2].get<double>())));
  EXPECT_TRUE(json::parse(ctl({"--session", "state"}).out).value("translucent", false));

  // Locked: a click on the floating window reaches the window below.
  ASSERT_TRUE(eventually([&] { return inputRectangles(lyric) == 0; }));
  const int cx = placed.x + placed.width / 2, cy = placed.y + placed.height / 2;
  EXPECT_EQ(pressesReachingNormalWindow(cx, cy, 5, 700), 1);

  // Unlocked (the next refresh tick reads it): the floating window takes it.
  setSettings(/*interactionLock=*/false, /*alwaysOn=*/false);
  ASSERT_TRUE(eventually([&] { return inputRectangles(lyric) > 0; }));
  // The tap opens the settings panel; by then the server has long handled
  // the click, so a press the window below got would be queued already.
  ASSERT_FALSE(shown("settingWindow"));
  EXPECT_EQ(run({"xdotool", "mousemove", std::to_string(cx), std::to_string(cy), "click", "1"}).code, 0);
  EXPECT_TRUE(eventually([&] { return shown("settingWindow"); })) << hostLog();
  EXPECT_EQ(pendingPresses(), 0);
}

TEST_F(DesktopTest, TheScreensaverAndTheStageShowAndHideTheAlwaysOnWindowFullScreen) {
  setSettings(/*interactionLock=*/false, /*alwaysOn=*/true);
  startHost();
  startPlayer();
  post("Rain over the harbour");
  ASSERT_EQ(ctl({"--session", "wait-line", "Rain over the harbour", "--timeout", "20"}).code, 0) << hostLog();

  const auto screensaver = [&](bool active) {
    return run({"dbus-send", "--session", "--type=signal", "/org/freedesktop/ScreenSaver",
                "org.freedesktop.ScreenSaver.ActiveChanged", active ? "boolean:true" : "boolean:false"})
        .code;
  };
  const auto stageOnScreen = [&] {
    const xcb_window_t w = client("fullScreenWindow");
    return w != XCB_NONE && viewable(w) && hasState(w, "_NET_WM_STATE_FULLSCREEN") &&
           rootRect(w).width == 1280 && rootRect(w).height == 720;
  };
  ASSERT_EQ(screensaver(true), 0);
  EXPECT_TRUE(eventually([&] { return shown("fullScreenWindow") && stageOnScreen(); })) << ctl({"--session", "dump"}).out;
  EXPECT_TRUE(json::parse(ctl({"--session", "state"}).out).value("locked", false));
  ASSERT_EQ(screensaver(false), 0);
  // The next lock hides it, as on the device.
  ASSERT_EQ(ctl({"stage", "off"}).code, 0);
  EXPECT_TRUE(eventually([&] { return !shown("fullScreenWindow") && !viewable(client("fullScreenWindow")); }));

  const ProgramRun on = ctl({"stage", "on"});
  EXPECT_EQ(on.code, 0) << on.err;
  EXPECT_TRUE(eventually([&] { return shown("fullScreenWindow") && stageOnScreen(); }));
  EXPECT_TRUE(json::parse(ctl({"--session", "state"}).out).value("stage", false));
  // A double click closes it, as the system's double tap does.
  EXPECT_EQ(run({"xdotool", "mousemove", "640", "360", "click", "--repeat", "2", "--delay", "80", "1"}).code, 0);
  EXPECT_TRUE(eventually([&] { return !shown("fullScreenWindow"); })) << ctl({"--session", "dump"}).out;

  EXPECT_EQ(ctl({"stage", "on", "--monitor", "NOSUCH"}).code, 1);
  // Lyrics switched off (the next refresh tick reads it, and hides the
  // floating window, which the tick after the stage closed showed again):
  // the stage refuses, saying why.
  ASSERT_TRUE(eventually([&] { return shown("lyricWindow"); }));
  foundation::UserDefaults settings(root_.path() / "var/mobile/Library/Preferences/1");
  settings.setObject(foundation::Value("0"), "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI");
  ASSERT_TRUE(settings.synchronize());
  ASSERT_TRUE(eventually([&] { return !shown("lyricWindow"); }));
  const ProgramRun refused = ctl({"stage", "on"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("settings keep the stage from showing"), std::string::npos) << refused.err;
  EXPECT_FALSE(shown("fullScreenWindow"));
}

// Without a compositing manager at first.
class OpaqueDesktopTest : public DesktopTest {
 protected:
  OpaqueDesktopTest() : DesktopTest(testsupport::Compositing::off) {}
};

TEST_F(OpaqueDesktopTest, WindowsFollowTheirMonitorAndFallBackWhenItGoesAndTurnTranslucentWithACompositor) {
  setSettings(/*interactionLock=*/false, /*alwaysOn=*/false);
  ASSERT_EQ(run({"xrandr", "--setmonitor", "LEFT", "640/170x720/190+0+0", "screen"}).code, 0);
  ASSERT_EQ(run({"xrandr", "--setmonitor", "RIGHT", "640/170x720/190+640+0", "none"}).code, 0);
  startHost({"--monitor", "RIGHT"});
  startPlayer();
  post("Bells at noon");
  ASSERT_EQ(ctl({"--session", "wait-line", "Bells at noon", "--timeout", "20"}).code, 0) << hostLog();
  const Rect right{640, 0, 640, 720};
  ASSERT_TRUE(eventually([&] { return client("lyricWindow") != XCB_NONE && lyricRect().inside(right); }))
      << lyricRect().x << " " << hostLog();

  // Its monitor gone: the screen is another monitor and the window is on it.
  ASSERT_EQ(run({"xrandr", "--delmonitor", "RIGHT"}).code, 0);
  json now;
  ASSERT_TRUE(eventually([&] {
    now = state();
    return now.is_object() && now.value("monitor", "") != "RIGHT";
  })) << hostLog();
  const json f = now["monitorFrame"];
  const Rect monitor{f[0].get<int>(), f[1].get<int>(), f[2].get<int>(), f[3].get<int>()};
  EXPECT_TRUE(eventually([&] { return lyricRect().inside(monitor); }))
      << lyricRect().x << "," << lyricRect().y << " not in " << now.dump();

  // That monitor shrinks: the floating window is laid out on it again.
  ASSERT_EQ(run({"xrandr", "--delmonitor", now.value("monitor", "")}).code, 0);
  const auto shrunk = run({"xrandr", "--setmonitor", "SMALL", "400/100x300/75+0+0", "screen"});
  ASSERT_EQ(shrunk.code, 0) << shrunk.err;
  const Rect small{0, 0, 400, 300};
  EXPECT_TRUE(eventually([&] {
    const Rect r = lyricRect();
    return r.inside(small) && std::abs(r.width - 320) <= 1;
  })) << lyricRect().x << "," << lyricRect().y << " " << lyricRect().width << " " << state().dump() << hostLog();

  // Opaque so far; a compositing manager starting makes the windows again
  // with alpha.
  EXPECT_FALSE(now.value("translucent", true));
  EXPECT_EQ(depthOf(client("lyricWindow")), 24);
  pid_t compositor = spawn({"xcompmgr", "-n"}, root_.path() / "xcompmgr.log");
  EXPECT_TRUE(eventually([&] { return state().value("translucent", false); })) << hostLog();
  EXPECT_TRUE(eventually([&] {
    const xcb_window_t w = client("lyricWindow");
    return w != XCB_NONE && viewable(w) && depthOf(w) == 32;
  })) << hostLog();
  stop(compositor);
}

// The stage on a smaller monitor takes the system's screen there while it
// shows. The floating window, hidden meanwhile, keeps its place: the system
// goes on laying it out on its own monitor's size.
TEST_F(OpaqueDesktopTest, TheStageOnASmallerMonitorLeavesTheFloatingWindowWhereItWas) {
  setSettings(/*interactionLock=*/false, /*alwaysOn=*/true);
  {
    foundation::UserDefaults home(root_.path() / "var/mobile/Library/Preferences/com.apple.springboard.plist");
    home.setObject(foundation::Value("600"), "USERKEY_13_Y");
    ASSERT_TRUE(home.synchronize());
  }
  ASSERT_EQ(run({"xrandr", "--setmonitor", "BIG", "1280/340x720/190+0+0", "screen"}).code, 0);
  ASSERT_EQ(run({"xrandr", "--setmonitor", "SMALL", "400/100x300/75+0+0", "none"}).code, 0);
  startHost({"--monitor", "BIG"});
  startPlayer();
  post("Gulls over the quay");
  ASSERT_EQ(ctl({"--session", "wait-line", "Gulls over the quay", "--timeout", "20"}).code, 0) << hostLog();
  const auto floatingAt = [&](int y) {
    const xcb_window_t w = client("lyricWindow");
    return w != XCB_NONE && viewable(w) && lyricRect().y == y;
  };
  ASSERT_TRUE(eventually([&] { return floatingAt(600); })) << lyricRect().y;

  ASSERT_EQ(ctl({"stage", "on", "--monitor", "SMALL"}).code, 0);
  // The tick that hides the floating window also lays it out.
  ASSERT_TRUE(eventually([&] {
    const xcb_window_t w = client("lyricWindow");
    return shown("fullScreenWindow") && (w == XCB_NONE || !viewable(w));
  })) << hostLog();
  ASSERT_EQ(ctl({"stage", "off"}).code, 0);
  EXPECT_TRUE(eventually([&] { return floatingAt(600); })) << lyricRect().y;
}

TEST_F(DesktopTest, LogindsLockedHintLocksThroughTheSystemsLockPath) {
  testsupport::PrivateBus system;  // stands for the system bus
  ASSERT_TRUE(system.ok());
  std::vector<std::string> sessionEnv = env_;
  for (std::string& e : env_) {
    if (e.rfind("DBUS_SESSION_BUS_ADDRESS=", 0) == 0) e = "DBUS_SESSION_BUS_ADDRESS=" + system.address();
  }
  int in[2];
  ASSERT_EQ(::pipe2(in, O_CLOEXEC), 0);
  pid_t logind = spawn({HV_DESKTOP_HELPER_PATH, "--logind"}, root_.path() / "logind.log", in[0]);
  ::close(in[0]);
  env_ = sessionEnv;
  for (std::string& e : env_)
    if (e.rfind("HOVERVERSE_LOGIN_BUS=", 0) == 0) e = "HOVERVERSE_LOGIN_BUS=" + system.address();
  ASSERT_TRUE(eventually([&] { return slurp(root_.path() / "logind.log").find("ready") != std::string::npos; }));

  setSettings(/*interactionLock=*/false, /*alwaysOn=*/true);
  startHost();
  startPlayer();
  post("Snow on the pier");
  ASSERT_EQ(ctl({"--session", "wait-line", "Snow on the pier", "--timeout", "20"}).code, 0) << hostLog();
  ASSERT_EQ(::write(in[1], "lock\n", 5), 5);
  EXPECT_TRUE(eventually([&] { return state().value("locked", false) && shown("fullScreenWindow"); })) << hostLog();
  ASSERT_EQ(::write(in[1], "unlock\n", 7), 7);
  EXPECT_TRUE(eventually([&] { return !state().value("locked", true); }));
  ::close(in[1]);
  stop(logind);
}

TEST_F(DesktopTest, UsageOneHostPerSessionAndTheBridgeRestartedAndEndedWithIt) {
  EXPECT_EQ(run({HV_DESKTOP_PATH, "--help"}).code, 0);
  EXPECT_NE(run({HV_DESKTOP_PATH, "--help"}).out.find("hoververse desktop"), std::string::npos);
  EXPECT_EQ(run({HV_DESKTOP_PATH}).code, 2);
  EXPECT_EQ(run({HV_DESKTOP_PATH, "desktop", "--scale", "zero"}).code, 2);
  EXPECT_EQ(ctl({"--session", "lock"}).code, 2);

  startHost();
  const ProgramRun second = run({HV_DESKTOP_PATH, "desktop"});
  EXPECT_EQ(second.code, 1);
  EXPECT_NE(second.err.find("another hoververse desktop runs on this session"), std::string::npos) << second.err;

  const std::filesystem::path log = root_.path() / "bridge.log";
  const auto bridges = [&] {
    std::vector<pid_t> pids;
    std::istringstream lines(slurp(log));
    for (pid_t pid = 0; lines >> pid;) pids.push_back(pid);
    return pids;
  };
  ASSERT_TRUE(eventually([&] { return bridges().size() == 1; })) << hostLog();
  const pid_t first = bridges()[0];
  ASSERT_EQ(::kill(first, SIGKILL), 0);
  ASSERT_TRUE(eventually([&] { return bridges().size() == 2; })) << hostLog();
  const pid_t restarted = bridges()[1];
  EXPECT_EQ(::kill(restarted, 0), 0);

  ASSERT_EQ(::kill(host_, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(host_, &status, 0), host_);
  host_ = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << hostLog();
  EXPECT_TRUE(eventually([&] { return ::kill(restarted, 0) != 0; })) << "the bridge ends with the host";
}

// The whole road on a desktop: a real player (mpv with its MPRIS script)
// plays a song whose title is the line, the real bridge relays it under the
// player's own identifier, and the floating window shows it over the
// desktop; pausing the player with playerctl hides the window.
TEST_F(DesktopTest, ARealPlayersLineShowsOverTheDesktopAndPausingItHidesTheWindow) {
  // Nothing stored: the first start turns lyrics on by itself.
  for (std::string& entry : env_) {
    if (entry.starts_with("HOVERVERSE_BRIDGE_PROGRAM=")) entry = std::string("HOVERVERSE_BRIDGE_PROGRAM=") + HV_BRIDGE_PATH;
  }
  const std::string line = "Paper boats 纸船 drift home";
  const std::filesystem::path song = root_.path() / "song.wav";
  testsupport::writeSilentWav(song, line, 120);
  startHost();
  pid_t mpv = spawn({"mpv", "--no-config", "--ao=null", "--vo=null", "--idle=no", "--script=" HV_MPV_MPRIS,
                           song.string()},
                          root_.path() / "mpv.log");
  ASSERT_GT(mpv, 0);
  EXPECT_EQ(ctl({"--session", "wait-line", line, "--timeout", "30"}).code, 0)
      << ctl({"--session", "dump"}).out << hostLog() << slurp(root_.path() / "mpv.log");
  EXPECT_TRUE(eventually([&] { return client("lyricWindow") != XCB_NONE && viewable(client("lyricWindow")); }));
  const foundation::Value stored = foundation::UserDefaults(root_.path() / "var/mobile/Library/Preferences/1")
                                       .objectForKey("USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI");
  EXPECT_EQ(foundation::describe(stored), "1");

  EXPECT_EQ(run({"playerctl", "--player=mpv", "pause"}).code, 0);
  EXPECT_TRUE(eventually([&] { return !shown("lyricWindow"); })) << ctl({"--session", "dump"}).out;
  EXPECT_TRUE(eventually([&] {
    const xcb_window_t lyric = client("lyricWindow");
    return lyric == XCB_NONE || !viewable(lyric);
  }));
  stop(mpv);
}

}  // namespace
}  // namespace desktoptest
