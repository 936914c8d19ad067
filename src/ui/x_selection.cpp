#include "ui/x_selection.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimerEvent>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace harf::ui {
namespace {

// A transfer whose requestor has not read a piece for this long has gone away.
constexpr qint64 kStaleTransferMs = 30000;

template <typename T>
struct FreeDeleter {
  void operator()(T* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter<T>>;

}  // namespace

std::unique_ptr<XSelection> XSelection::ForApplication() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (c == nullptr || xcb_connection_has_error(c)) return nullptr;

  // In the order of the Atom enumeration.
  // clang-format off
  static constexpr std::array<const char*, kAtomCount> kNames = {
      "CLIPBOARD", "TARGETS", "TIMESTAMP", "MULTIPLE", "ATOM_PAIR", "INCR", "UTF8_STRING", "TEXT",
      "text/plain;charset=utf-8", "text/plain", "_HARF_SELECTION_TIME", "CLIPBOARD_MANAGER",
      "SAVE_TARGETS"};
  // clang-format on
  std::array<xcb_intern_atom_cookie_t, kAtomCount> cookies{};
  for (std::size_t i = 0; i < kAtomCount; ++i) {
    cookies[i] =
        xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(kNames[i])), kNames[i]);
  }
  std::array<std::uint32_t, kAtomCount> atoms{};
  for (std::size_t i = 0; i < kAtomCount; ++i) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
    if (!reply) return nullptr;
    atoms[i] = reply->atom;
  }

  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  if (screen == nullptr) return nullptr;
  const xcb_window_t window = xcb_generate_id(c);
  const std::uint32_t values[] = {1, XCB_EVENT_MASK_PROPERTY_CHANGE};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, -10, -10, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                    XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
  // An empty append changes nothing but brings a PropertyNotify, whose time
  // is the server's: the first selection is taken with a real timestamp.
  xcb_change_property(c, XCB_PROP_MODE_APPEND, window, atoms[kSelectionTime], XCB_ATOM_INTEGER, 32,
                      0, nullptr);
  xcb_flush(c);
  return std::unique_ptr<XSelection>(new XSelection(c, window, atoms));
}

XSelection::XSelection(xcb_connection_t* c, std::uint32_t window,
                       std::array<std::uint32_t, kAtomCount> atoms)
    : c_(c), window_(window), atoms_(atoms) {
  // Requests carry a header of their own; a change-property one is 24 bytes.
  maxRequestBytes_ = static_cast<std::size_t>(xcb_get_maximum_request_length(c)) * 4 - 24;
  // Qt takes the mouse through XInput 2, whose events carry their time too.
  static constexpr char kXInput[] = "XInputExtension";
  Reply<xcb_query_extension_reply_t> xinput(
      xcb_query_extension_reply(c, xcb_query_extension(c, sizeof kXInput - 1, kXInput), nullptr));
  if (xinput && xinput->present) xinputOpcode_ = xinput->major_opcode;
  QCoreApplication::instance()->installNativeEventFilter(this);
  connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
          &XSelection::HandOver);
}

XSelection::~XSelection() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
  for (const Transfer& t : transfers_) {
    xcb_change_window_attributes(c_, t.requestor, XCB_CW_EVENT_MASK,
                                 std::array<std::uint32_t, 1>{0}.data());
  }
  // The server gives up a destroyed window's selections by itself.
  xcb_destroy_window(c_, window_);
  xcb_flush(c_);
}

std::uint32_t XSelection::SelectionAtom(std::size_t i) const {
  return i == 0 ? atoms_[kClipboard] : std::uint32_t{XCB_ATOM_PRIMARY};
}

bool XSelection::Own(Which which, QByteArray bytes, QByteArray utf8) {
  const std::size_t i = Index(which);
  const xcb_atom_t selection = SelectionAtom(i);
  auto offer = std::make_shared<Offer>();
  offer->bytes = std::move(bytes);
  offer->utf8 = std::move(utf8);
  // The newest event time; should another owner have taken the selection
  // later than that (Qt's own widgets see events this filter does not time),
  // the server's current time.
  for (const std::uint32_t time : {lastTime_, std::uint32_t{XCB_CURRENT_TIME}}) {
    xcb_set_selection_owner(c_, window_, selection, time);
    Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, selection), nullptr));
    if (reply && reply->owner == window_) {
      offer->time = time;
      offers_[i] = std::move(offer);
      return true;
    }
    if (time == XCB_CURRENT_TIME) break;
  }
  offers_[i].reset();
  return false;
}

// The server tells a client that loses a selection only when another client
// takes it: Qt's clipboard, on the same connection, takes it silently.
bool XSelection::StillOwner(std::size_t i) {
  if (!offers_[i]) return false;
  const xcb_atom_t selection = SelectionAtom(i);
  Reply<xcb_get_selection_owner_reply_t> reply(
      xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, selection), nullptr));
  if (!reply || reply->owner != window_) offers_[i].reset();
  return offers_[i] != nullptr;
}

void XSelection::HandOver() {
  if (!StillOwner(0)) return;
  Reply<xcb_get_selection_owner_reply_t> manager(xcb_get_selection_owner_reply(
      c_, xcb_get_selection_owner(c_, atoms_[kClipboardManager]), nullptr));
  if (!manager || manager->owner == XCB_NONE) return;
  // No property: the manager saves every target it finds.
  xcb_convert_selection(c_, window_, atoms_[kClipboardManager], atoms_[kSaveTargets], XCB_NONE,
                        lastTime_);
  xcb_flush(c_);
  handingOver_ = true;
  QElapsedTimer waited;
  waited.start();
  while (handingOver_ && offers_[0] && waited.elapsed() < 3000) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
  }
  handingOver_ = false;
}

bool XSelection::SameClient(std::uint32_t window) const {
  const xcb_setup_t* setup = xcb_get_setup(c_);
  return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

bool XSelection::Convert(const std::shared_ptr<const Offer>& offer, std::uint32_t requestor,
                         std::uint32_t target, std::uint32_t property) {
  if (target == atoms_[kTargets]) {
    // No COMPOUND_TEXT: its ISO 2022 character sets hold no private-use
    // characters, which the stand-in's kind is made of.
    const std::array<std::uint32_t, 8> targets = {
        atoms_[kTargets],    atoms_[kTimestamp], atoms_[kMultiple], XCB_ATOM_STRING,
        atoms_[kUtf8String], atoms_[kText],      atoms_[kMimeUtf8], atoms_[kMimePlain]};
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                        targets.size(), targets.data());
    return true;
  }
  if (target == atoms_[kTimestamp]) {
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER, 32, 1,
                        &offer->time);
    return true;
  }
  bool utf8 = true;
  std::uint32_t type = target;
  if (target == XCB_ATOM_STRING) {
    utf8 = false;
  } else if (target == atoms_[kUtf8String] || target == atoms_[kText]) {
    // TEXT is answered in an encoding of the owner's choice, named by the type.
    type = atoms_[kUtf8String];
  } else if (target != atoms_[kMimeUtf8] && target != atoms_[kMimePlain]) {
    return false;
  }
  const QByteArray& data = utf8 ? offer->utf8 : offer->bytes;
  const auto size = static_cast<std::size_t>(data.size());
  if (Whole(requestor, size)) {
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, requestor, property, type, 8,
                        static_cast<std::uint32_t>(size), data.constData());
    return true;
  }
  if (SameClient(requestor)) return false;
  // Deletions of the property ask for the next piece; the window's end ends
  // the transfer.
  const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(c_, requestor, XCB_CW_EVENT_MASK, &mask);
  const auto lowerBound = static_cast<std::uint32_t>(std::min<std::size_t>(size, UINT32_MAX));
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, requestor, property, atoms_[kIncr], 32, 1,
                      &lowerBound);
  // A requestor that asks again into the same property starts over.
  std::erase_if(transfers_, [requestor, property](const Transfer& t) {
    return t.requestor == requestor && t.property == property;
  });
  transfers_.push_back(
      {requestor, property, type, offer, utf8, 0, false, QDateTime::currentMSecsSinceEpoch()});
  if (!staleTransfers_.isActive()) staleTransfers_.start(kStaleTransferMs / 3, this);
  return true;
}

bool XSelection::Whole(std::uint32_t requestor, std::size_t size) const {
  // Qt reads our own process's requests itself and takes the notifications
  // INCR depends on out of the queue before this filter sees them: those get
  // the whole text at once, as far as one request can carry it.
  return SameClient(requestor) ? size <= maxRequestBytes_
                               : size <= std::min(kIncrChunk, maxRequestBytes_);
}

std::size_t XSelection::CostOf(const Offer& offer, std::uint32_t requestor,
                               std::uint32_t target) const {
  constexpr std::size_t kRequest = 24;  // a change-property request's own header
  if (target == atoms_[kTargets]) return kRequest + 8 * sizeof(std::uint32_t);  // eight atoms
  if (target == atoms_[kTimestamp]) return kRequest + 4;
  const QByteArray& data = target == XCB_ATOM_STRING ? offer.bytes : offer.utf8;
  const auto size = static_cast<std::size_t>(data.size());
  // A transfer in pieces holds one piece in the server at a time.
  return kRequest + (Whole(requestor, size) ? size : kIncrChunk);
}

void XSelection::HandleRequest(const void* event) {
  const auto* e = static_cast<const xcb_selection_request_event_t*>(event);
  xcb_selection_notify_event_t n{};
  n.response_type = XCB_SELECTION_NOTIFY;
  n.time = e->time;
  n.requestor = e->requestor;
  n.selection = e->selection;
  n.target = e->target;
  n.property = XCB_NONE;
  const std::size_t i = e->selection == atoms_[kClipboard] ? 0 : 1;
  const std::shared_ptr<const Offer> offer =
      e->selection == SelectionAtom(i) ? offers_[i] : nullptr;
  // A requestor of the old kind names no property: the target is used.
  const std::uint32_t property = e->property != XCB_NONE ? e->property : e->target;
  // A request made before the selection was ours is not ours to answer.
  const bool current = offer && (e->time == XCB_CURRENT_TIME || e->time >= offer->time);
  if (current && e->target == atoms_[kMultiple]) {
    if (e->property != XCB_NONE) {
      Reply<xcb_get_property_reply_t> pairs(xcb_get_property_reply(
          c_,
          xcb_get_property(c_, 0, e->requestor, e->property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 16),
          nullptr));
      if (pairs && pairs->format == 32) {
        auto* atoms = static_cast<std::uint32_t*>(xcb_get_property_value(pairs.get()));
        const int count = xcb_get_property_value_length(pairs.get()) / 4;
        // A target refused names no property; a large one goes in pieces, as
        // clipboard managers saving everything at once expect. Past the
        // request's share of the server's memory every target is refused.
        std::size_t written = 0;
        for (int k = 0; k + 1 < count; k += 2) {
          const std::size_t cost = CostOf(*offer, e->requestor, atoms[k]);
          if (atoms[k] == atoms_[kMultiple] || written + cost > kMultipleBytes ||
              !Convert(offer, e->requestor, atoms[k], atoms[k + 1])) {
            atoms[k + 1] = XCB_NONE;
          } else {
            written += cost;
          }
        }
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, e->requestor, e->property, atoms_[kAtomPair],
                            32, static_cast<std::uint32_t>(count), atoms);
        n.property = e->property;
      }
    }
  } else if (current && Convert(offer, e->requestor, e->target, property)) {
    n.property = property;
  }
  xcb_send_event(c_, 0, e->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&n));
  xcb_flush(c_);
}

void XSelection::SendPiece(Transfer& t) {
  const QByteArray& data = t.utf8 ? t.offer->utf8 : t.offer->bytes;
  const std::size_t size = static_cast<std::size_t>(data.size());
  const std::size_t piece = std::min({kIncrChunk, maxRequestBytes_, size - t.sent});
  // The last piece is empty: that ends the transfer.
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, t.requestor, t.property, t.type, 8,
                      static_cast<std::uint32_t>(piece), data.constData() + t.sent);
  t.sent += piece;
  t.finished = piece == 0;
  t.lastActive = QDateTime::currentMSecsSinceEpoch();
}

void XSelection::EndTransfer(std::size_t i, bool windowGone) {
  const std::uint32_t requestor = transfers_[i].requestor;
  transfers_.erase(transfers_.begin() + static_cast<std::ptrdiff_t>(i));
  const bool more =
      std::any_of(transfers_.begin(), transfers_.end(),
                  [requestor](const Transfer& t) { return t.requestor == requestor; });
  if (!more && !windowGone) {
    const std::uint32_t none = 0;
    xcb_change_window_attributes(c_, requestor, XCB_CW_EVENT_MASK, &none);
  }
  if (transfers_.empty()) staleTransfers_.stop();
}

void XSelection::HandlePropertyDelete(std::uint32_t window, std::uint32_t atom) {
  for (std::size_t i = 0; i < transfers_.size(); ++i) {
    Transfer& t = transfers_[i];
    if (t.requestor != window || t.property != atom) continue;
    if (t.finished) {
      EndTransfer(i);
    } else {
      SendPiece(t);
    }
    xcb_flush(c_);
    return;
  }
}

void XSelection::timerEvent(QTimerEvent* e) {
  if (e->timerId() != staleTransfers_.timerId()) {
    QObject::timerEvent(e);
    return;
  }
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  for (std::size_t i = transfers_.size(); i-- > 0;) {
    if (now - transfers_[i].lastActive > kStaleTransferMs) EndTransfer(i);
  }
  xcb_flush(c_);
}

bool XSelection::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  switch (event->response_type & 0x7f) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE:
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_MOTION_NOTIFY:
    case XCB_ENTER_NOTIFY:
    case XCB_LEAVE_NOTIFY:
      // These all hold the time where a key press does.
      lastTime_ = std::max(lastTime_, reinterpret_cast<const xcb_key_press_event_t*>(event)->time);
      return false;
    case XCB_GE_GENERIC: {
      // Every XInput 2 event holds its time after its type and device, at byte 12.
      const auto* e = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
      if (xinputOpcode_ != 0 && e->extension == xinputOpcode_) {
        std::uint32_t time = 0;
        std::memcpy(&time, reinterpret_cast<const char*>(event) + 12, sizeof time);
        lastTime_ = std::max(lastTime_, time);
      }
      return false;
    }
    case XCB_PROPERTY_NOTIFY: {
      const auto* e = reinterpret_cast<const xcb_property_notify_event_t*>(event);
      lastTime_ = std::max(lastTime_, e->time);
      if (e->window == window_) return true;
      const bool mine = std::any_of(transfers_.begin(), transfers_.end(),
                                    [e](const Transfer& t) { return t.requestor == e->window; });
      if (mine && e->state == XCB_PROPERTY_DELETE) HandlePropertyDelete(e->window, e->atom);
      return mine;
    }
    case XCB_DESTROY_NOTIFY: {
      const auto* e = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
      for (std::size_t i = transfers_.size(); i-- > 0;) {
        if (transfers_[i].requestor == e->window) EndTransfer(i, true);
      }
      return false;
    }
    case XCB_SELECTION_REQUEST: {
      const auto* e = reinterpret_cast<const xcb_selection_request_event_t*>(event);
      if (e->owner != window_) return false;
      HandleRequest(e);
      return true;
    }
    case XCB_SELECTION_NOTIFY: {
      const auto* e = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
      if (e->requestor != window_) return false;
      if (e->selection == atoms_[kClipboardManager]) handingOver_ = false;
      return true;
    }
    case XCB_SELECTION_CLEAR: {
      const auto* e = reinterpret_cast<const xcb_selection_clear_event_t*>(event);
      if (e->owner != window_) return false;
      // The next copy takes the selection back no earlier than it was lost.
      lastTime_ = std::max(lastTime_, e->time);
      // The clear may be about an earlier taking than the present one (taken
      // back before this event came): the server knows which.
      for (std::size_t i = 0; i < offers_.size(); ++i) {
        if (e->selection == SelectionAtom(i)) StillOwner(i);
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace harf::ui
