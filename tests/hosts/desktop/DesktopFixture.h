#pragma once
// The desktop host end to end: a private session bus, a private Xvfb
// (optionally with xcompmgr) managed by openbox, a temporary device root,
// and the built `hoververse desktop` and hoververse-ctl run as a user would.
// X is looked at through a connection of the test's own: the window
// manager's client list and each window's properties. Waits are
// conditions with deadlines.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Eventually.h"
#include "PrivateBus.h"
#include "PrivateXServer.h"
#include "TempDeviceRoot.h"
#include "foundation/UserDefaults.h"
#include "foundation/Value.h"

extern char** environ;

namespace desktoptest {

using json = nlohmann::json;

using testsupport::eventually;
inline std::string slurp(const std::filesystem::path& path) { return testsupport::slurpFile(path); }

struct ProgramRun {
  int code = -1;
  std::string out, err;
};

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool inside(const Rect& outer) const {
    return x >= outer.x && y >= outer.y && x + width <= outer.x + outer.width && y + height <= outer.y + outer.height;
  }
};

class DesktopFixture : public ::testing::Test {
 protected:
  explicit DesktopFixture(testsupport::Compositing compositing = testsupport::Compositing::on)
      : x_(1280, 720, compositing) {}

  void SetUp() override {
    ASSERT_TRUE(bus_.ok());
    ASSERT_TRUE(x_.ok());
    env_ = {"DISPLAY=" + x_.name(), "DBUS_SESSION_BUS_ADDRESS=" + bus_.address(),
            "HOVERVERSE_ROOT=" + root_.path().string(), "HOVERVERSE_LOGIN_BUS=none",
            "HOVERVERSE_BRIDGE_PROGRAM=" + std::string(HV_DESKTOP_HELPER_PATH),
            "HV_DESKTOP_BRIDGE_LOG=" + (root_.path() / "bridge.log").string()};
    for (const char* name : {"PATH", "HOME", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS", "FONTCONFIG_FILE"})
      if (const char* value = std::getenv(name)) env_.push_back(std::string(name) + "=" + value);
    c_ = xcb_connect(x_.name().c_str(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(c_), 0);
    root_window_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    openbox_ = spawn({"openbox", "--sm-disable"}, root_.path() / "openbox.log");
    // openbox names itself on the root before it handles map requests, and
    // loses one that comes in between: it is ready once it manages a probe
    // window, mapped again until it does.
    const xcb_window_t probe = xcb_generate_id(c_);
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, probe, root_window_, 0, 0, 8, 8, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    ASSERT_TRUE(eventually([&] {
      const std::vector<xcb_window_t> managed = windowsOf("_NET_CLIENT_LIST");
      if (std::find(managed.begin(), managed.end(), probe) != managed.end()) return true;
      xcb_unmap_window(c_, probe);
      xcb_map_window(c_, probe);
      xcb_flush(c_);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a map request's way through openbox
      return false;
    }, 20));
    xcb_destroy_window(c_, probe);
    xcb_flush(c_);
  }

  void TearDown() override {
    stop(host_);
    stop(player_);
    if (playerInput_ >= 0) ::close(playerInput_);
    stop(openbox_);
    if (c_) xcb_disconnect(c_);
  }

  // The system's switches: lyrics on, interaction lock, always-on option
  // (closed by a double tap).
  void setSettings(bool interactionLock, bool alwaysOn) {
    foundation::UserDefaults settings(root_.path() / "var/mobile/Library/Preferences/1");
    settings.setObject(foundation::Value("1"), "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI");
    settings.setObject(foundation::Value(interactionLock ? "1" : "0"), "USER_KEY_HVXI_BUNDLESETTING_ROWB_SWI");
    ASSERT_TRUE(settings.synchronize());
    foundation::UserDefaults home(root_.path() / "var/mobile/Library/Preferences/com.apple.springboard.plist");
    home.setObject(foundation::Value(alwaysOn ? "1" : "0"), "USERKEY_13_alwaysOn");
    home.setObject(foundation::Value("1"), "USERKEY_13_alwaysOnDoubleTapGes");  // a double tap closes it
    ASSERT_TRUE(home.synchronize());
  }

  void startHost(std::vector<std::string> extra = {}) {
    std::vector<std::string> args{HV_DESKTOP_PATH, "desktop"};
    args.insert(args.end(), extra.begin(), extra.end());
    host_ = spawn(args, root_.path() / "host.log");
    ASSERT_GT(host_, 0);
    ASSERT_TRUE(eventually([&] { return ctl({"--session", "state"}).code == 0; }, 20)) << hostLog();
  }

  // The stand-in player; `post` sends it a line to post.
  void startPlayer() {
    int in[2];
    ASSERT_EQ(::pipe2(in, O_CLOEXEC), 0);
    player_ = spawn({HV_DESKTOP_HELPER_PATH, "--player"}, root_.path() / "player.log", in[0]);
    ::close(in[0]);
    playerInput_ = in[1];
    ASSERT_TRUE(eventually([&] { return slurp(root_.path() / "player.log").find("ready") != std::string::npos; }));
  }
  void post(const std::string& line) {
    const std::string text = line + "\n";
    ASSERT_EQ(::write(playerInput_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  ProgramRun run(const std::vector<std::string>& args) {
    const std::filesystem::path out = root_.path() / "run.out";
    const std::filesystem::path err = root_.path() / "run.err";
    const pid_t pid = spawn(args, err, -1, out);
    ProgramRun result;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.code = WEXITSTATUS(status);
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
  }
  ProgramRun ctl(std::vector<std::string> args) {
    args.insert(args.begin(), HV_CTL_PATH);
    return run(args);
  }
  json dump() { return json::parse(ctl({"--session", "dump"}).out, nullptr, false); }
  json state() { return json::parse(ctl({"--session", "state"}).out, nullptr, false); }
  // A system window in the dump (top level or held by one).
  std::optional<json> systemWindow(const std::string& name) {
    const json all = dump();
    if (!all.is_array()) return std::nullopt;
    std::vector<const json*> pending;
    for (const json& w : all) pending.push_back(&w);
    while (!pending.empty()) {
      const json* v = pending.back();
      pending.pop_back();
      if (v->value("name", "") == name) return *v;
      if (v->contains("subviews"))
        for (const json& sub : v->at("subviews")) pending.push_back(&sub);
    }
    return std::nullopt;
  }
  bool shown(const std::string& name) {
    const auto w = systemWindow(name);
    return w && w->value("shown", false);
  }
  std::string hostLog() { return slurp(root_.path() / "host.log"); }

  // --- X, as the window manager sees it ---
  xcb_atom_t atom(const std::string& name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_NONE;
    std::free(r);
    return a;
  }
  std::vector<std::uint32_t> property32(xcb_window_t w, const std::string& name) {
    std::vector<std::uint32_t> values;
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
    if (r && r->format == 32) {
      const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
      values.assign(data, data + xcb_get_property_value_length(r) / 4);
    }
    std::free(r);
    return values;
  }
  std::string propertyText(xcb_window_t w, xcb_atom_t property) {
    std::string text;
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
    if (r && r->format == 8)
      text.assign(static_cast<const char*>(xcb_get_property_value(r)), static_cast<std::size_t>(xcb_get_property_value_length(r)));
    std::free(r);
    return text;
  }
  std::vector<xcb_window_t> windowsOf(const std::string& rootProperty) { return property32(root_window_, rootProperty); }
  // Managed windows bottom to top.
  std::vector<xcb_window_t> stacking() { return windowsOf("_NET_CLIENT_LIST_STACKING"); }
  std::string nameOf(xcb_window_t w) { return propertyText(w, atom("_NET_WM_NAME")); }
  xcb_window_t client(const std::string& name) {
    for (const xcb_window_t w : stacking())
      if (nameOf(w) == name) return w;
    return XCB_NONE;
  }
  bool viewable(xcb_window_t w) {
    xcb_get_window_attributes_reply_t* r = xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr);
    const bool v = r && r->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(r);
    return v;
  }
  // Where a window is on the root, pixels.
  Rect rootRect(xcb_window_t w) {
    Rect rect;
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
    xcb_translate_coordinates_reply_t* t =
        xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, w, root_window_, 0, 0), nullptr);
    if (g && t) rect = {t->dst_x, t->dst_y, g->width, g->height};
    std::free(g);
    std::free(t);
    return rect;
  }
  bool hasState(xcb_window_t w, const std::string& state) {
    const xcb_atom_t wanted = atom(state);
    for (const std::uint32_t a : property32(w, "_NET_WM_STATE"))
      if (a == wanted) return true;
    return false;
  }

  testsupport::PrivateBus bus_;
  testsupport::PrivateXServer x_;
  hvtest::TempDeviceRoot root_;
  std::vector<std::string> env_;
  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_window_ = XCB_NONE;
  pid_t openbox_ = -1, host_ = -1, player_ = -1;
  int playerInput_ = -1;

  // argv[0] looked up in PATH, with env_; stderr (and stdout unless `out`)
  // to `log`, stdin from `input` (else /dev/null).
  pid_t spawn(const std::vector<std::string>& args, const std::filesystem::path& log, int input = -1,
              const std::filesystem::path& out = {}) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env_) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0) {
      posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    } else {
      posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
    if (out.empty()) {
      posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    } else {
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  static void stop(pid_t& pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
  }
};

}  // namespace desktoptest
