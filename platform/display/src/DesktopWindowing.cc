#include "DesktopWindowing.h"

#include <xcb/randr.h>
#include <xcb/xfixes.h>

#include <array>
#include <cstring>

#include "XConnection.h"

namespace display::x {
namespace {

// WM_HINTS flags and WM_SIZE_HINTS flags (ICCCM 4.1.2.3, 4.1.2.4).
constexpr std::uint32_t kInputHint = 1;
constexpr std::uint32_t kUSPosition = 1, kUSSize = 2, kPPosition = 4, kPSize = 8, kPWinGravity = 512;
// _MOTIF_WM_HINTS: the decorations field is valid, and asks for none.
constexpr std::uint32_t kMotifDecorationsFlag = 2;

}  // namespace

bool DesktopWindowing::setUp(xcb_connection_t* c, xcb_screen_t* screen, std::string* error) {
  c_ = c;
  root_ = screen->root;
  // The screen's number names the compositor's selection.
  int number = 0;
  for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem > 0; xcb_screen_next(&it), ++number)
    if (it.data->root == root_) break;
  const std::string cm = "_NET_WM_CM_S" + std::to_string(number);
  const std::array<const char*, 12> names{cm.c_str(),
                                          "_NET_WM_STATE",
                                          "_NET_WM_STATE_ABOVE",
                                          "_NET_WM_STATE_SKIP_TASKBAR",
                                          "_NET_WM_STATE_SKIP_PAGER",
                                          "_NET_WM_STATE_FULLSCREEN",
                                          "_NET_WM_WINDOW_TYPE",
                                          "_NET_WM_WINDOW_TYPE_UTILITY",
                                          "_NET_WM_WINDOW_TYPE_NORMAL",
                                          "_MOTIF_WM_HINTS",
                                          "_NET_WM_NAME",
                                          "UTF8_STRING"};
  std::array<xcb_intern_atom_cookie_t, names.size()> cookies{};
  for (std::size_t i = 0; i < names.size(); ++i)
    cookies[i] = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
  xcb_prefetch_extension_data(c, &xcb_randr_id);
  xcb_prefetch_extension_data(c, &xcb_xfixes_id);
  std::array<xcb_atom_t, names.size()> atoms{};
  for (std::size_t i = 0; i < names.size(); ++i) {
    Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
    if (!reply) {
      if (error) *error = std::string("the X server did not answer (interning ") + names[i] + ")";
      return false;
    }
    atoms[i] = reply->atom;
  }
  atoms_ = {atoms[0], atoms[1], atoms[2], atoms[3], atoms[4],  atoms[5],
            atoms[6], atoms[7], atoms[8], atoms[9], atoms[10], atoms[11]};

  if (const xcb_query_extension_reply_t* randr = xcb_get_extension_data(c, &xcb_randr_id); randr && randr->present) {
    Owned<xcb_randr_query_version_reply_t> version(
        xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr));
    randr15_ = version && (version->major_version > 1 || version->minor_version >= 5);
    if (randr15_) {
      randrEvent_ = randr->first_event;
      xcb_randr_select_input(c, root_,
                             XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                 XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
  }
  if (const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id); fixes && fixes->present) {
    Owned<xcb_xfixes_query_version_reply_t> version(
        xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
    xfixes_ = version != nullptr;
    if (xfixes_) {
      xfixesEvent_ = fixes->first_event;
      // A window of our own receives the selection's owner changes.
      const xcb_window_t watcher = xcb_generate_id(c);
      xcb_create_window(c, XCB_COPY_FROM_PARENT, watcher, root_, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                        XCB_COPY_FROM_PARENT, 0, nullptr);
      xcb_xfixes_select_selection_input(c, watcher, atoms_.cmSelection,
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                            XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                            XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    }
  }
  return true;
}

void DesktopWindowing::describe(xcb_window_t window, const Role& role, int x, int y, int width, int height) const {
  const auto set = [this, window](xcb_atom_t property, xcb_atom_t type, std::uint8_t format, std::uint32_t count,
                                  const void* data) {
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, property, type, format, count, data);
  };
  set(XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(role.name.size()), role.name.data());
  set(atoms_.netWmName, atoms_.utf8String, 8, static_cast<std::uint32_t>(role.name.size()), role.name.data());
  static constexpr char kClass[] = "hoververse\0hoververse";  // instance and class
  set(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof kClass, kClass);
  // Never given the focus: the system's windows take clicks, not keys.
  const std::uint32_t hints[9] = {kInputHint, 0, 0, 0, 0, 0, 0, 0, 0};
  set(XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, hints);
  const std::uint32_t motif[5] = {kMotifDecorationsFlag, 0, 0, 0, 0};
  set(atoms_.motifHints, atoms_.motifHints, 32, 5, motif);
  const xcb_atom_t type = role.fullScreen ? atoms_.typeNormal : atoms_.typeUtility;
  set(atoms_.windowType, XCB_ATOM_ATOM, 32, 1, &type);
  std::vector<xcb_atom_t> state{atoms_.above, atoms_.skipTaskbar, atoms_.skipPager};
  if (role.fullScreen) state.push_back(atoms_.fullScreen);
  set(atoms_.netWmState, XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(state.size()), state.data());
  setNormalHints(window, x, y, width, height);
}

void DesktopWindowing::setNormalHints(xcb_window_t window, int x, int y, int width, int height) const {
  std::uint32_t hints[18] = {};
  // Static gravity: the position is the client window's own, not its
  // frame's, whatever border the window manager keeps.
  hints[0] = kUSPosition | kUSSize | kPPosition | kPSize | kPWinGravity;
  hints[1] = static_cast<std::uint32_t>(x);
  hints[2] = static_cast<std::uint32_t>(y);
  hints[3] = static_cast<std::uint32_t>(width);
  hints[4] = static_cast<std::uint32_t>(height);
  hints[17] = XCB_GRAVITY_STATIC;
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18,
                      hints);
}

bool DesktopWindowing::compositorRunning() const {
  Owned<xcb_get_selection_owner_reply_t> owner(
      xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, atoms_.cmSelection), nullptr));
  return owner && owner->owner != XCB_NONE;
}

std::vector<Monitor> DesktopWindowing::monitors() const {
  std::vector<Monitor> result;
  if (!randr15_) {
    // One monitor: the whole screen.
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c_));
    for (; it.rem > 0; xcb_screen_next(&it)) {
      if (it.data->root == root_) {
        result.push_back({"screen", 0, 0, it.data->width_in_pixels, it.data->height_in_pixels, true});
      }
    }
    return result;
  }
  Owned<xcb_randr_get_monitors_reply_t> reply(xcb_randr_get_monitors_reply(c_, xcb_randr_get_monitors(c_, root_, 1), nullptr));
  if (!reply) return result;
  // Names not known yet are asked together: one round trip at most.
  std::vector<std::pair<std::size_t, xcb_get_atom_name_cookie_t>> asked;
  std::vector<xcb_atom_t> atoms;
  for (xcb_randr_monitor_info_iterator_t it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem > 0;
       xcb_randr_monitor_info_next(&it)) {
    const xcb_randr_monitor_info_t& info = *it.data;
    result.push_back({"", info.x, info.y, info.width, info.height, info.primary != 0});
    atoms.push_back(info.name);
    if (auto known = atomNames_.find(info.name); known != atomNames_.end()) {
      result.back().name = known->second;
    } else {
      asked.emplace_back(result.size() - 1, xcb_get_atom_name(c_, info.name));
    }
  }
  for (const auto& [index, cookie] : asked) {
    Owned<xcb_get_atom_name_reply_t> name(xcb_get_atom_name_reply(c_, cookie, nullptr));
    if (!name) continue;
    result[index].name.assign(xcb_get_atom_name_name(name.get()),
                              static_cast<std::size_t>(xcb_get_atom_name_name_length(name.get())));
    atomNames_[atoms[index]] = result[index].name;
  }
  return result;
}

DesktopWindowing::Change DesktopWindowing::classify(const xcb_generic_event_t& e) const {
  const std::uint8_t type = e.response_type & 0x7f;
  if (xfixes_ && type == xfixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY) return Change::compositor;
  if (randr15_ && (type == randrEvent_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY || type == randrEvent_ + XCB_RANDR_NOTIFY))
    return Change::monitors;
  return Change::none;
}

}  // namespace display::x
