// The selection owner against a real X server, asked by a second client made
// with plain xcb, as another program would: TIMESTAMP, MULTIPLE, requests
// from before the selection was taken, another client taking the selection,
// Qt's own clipboard reading it in this process, and a clipboard manager
// saving it on quitting. (TARGETS, each text target's data for typed text
// and INCR are checked with xclip by x_selection_e2e.sh.)
// Run under Xvfb with QT_QPA_PLATFORM=xcb (with_xvfb.sh).
#include "ui/x_selection.h"

#include <xcb/xcb.h>

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using harf::ui::XSelection;

namespace {

struct Free {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Ptr = std::unique_ptr<T, Free>;

// Another X client: its own connection and window.
class Requestor {
 public:
  Requestor() {
    c_ = xcb_connect(nullptr, nullptr);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    window_ = xcb_generate_id(c_);
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c_);
  }
  ~Requestor() { xcb_disconnect(c_); }
  xcb_connection_t* c() const { return c_; }
  xcb_window_t window() const { return window_; }

  xcb_atom_t Atom(const char* name) {
    Ptr<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : XCB_NONE;
  }
  // The next event of `type` (others are dropped), while the owner in this
  // process answers; null after five seconds.
  Ptr<xcb_generic_event_t> WaitFor(std::uint8_t type) {
    QElapsedTimer timer;
    timer.start();
    xcb_flush(c_);
    while (timer.elapsed() < 5000) {
      while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
        Ptr<xcb_generic_event_t> event(e);
        if ((e->response_type & 0x7f) == type) return event;
      }
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return nullptr;
  }

  struct Property {
    xcb_atom_t type = XCB_NONE;
    int format = 0;
    QByteArray data;
  };
  Property Read(xcb_atom_t property, bool remove) {
    Ptr<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c_,
                               xcb_get_property(c_, remove ? 1 : 0, window_, property,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 26),
                               nullptr));
    if (!r) return {};
    return {r->type, r->format,
            QByteArray(static_cast<const char*>(xcb_get_property_value(r.get())),
                       xcb_get_property_value_length(r.get()))};  // in bytes
  }

  // Asks for `target` into `property`; the property the owner names in its
  // answer (none: refused).
  xcb_atom_t Convert(xcb_atom_t selection, xcb_atom_t target, xcb_atom_t property,
                     xcb_timestamp_t time = XCB_CURRENT_TIME) {
    xcb_convert_selection(c_, window_, selection, target, property, time);
    Ptr<xcb_generic_event_t> e = WaitFor(XCB_SELECTION_NOTIFY);
    if (!e) return XCB_NONE;
    const auto* n = reinterpret_cast<const xcb_selection_notify_event_t*>(e.get());
    return n->property;
  }

 private:
  xcb_connection_t* c_;
  xcb_window_t window_;
};

}  // namespace

class XSelectionTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    owner_ = XSelection::ForApplication();
    QVERIFY2(owner_, "not on X11: run under Xvfb with QT_QPA_PLATFORM=xcb");
    // The owner learns the server's time from a notification of its own.
    QTest::qWait(50);
    clipboard_ = r_.Atom("CLIPBOARD");
    property_ = r_.Atom("HARF_TEST");
  }

  void answersWithTheTimeItTookTheSelection() {
    QVERIFY(owner_->Own(XSelection::Which::Clipboard, "a", "a"));
    QCOMPARE(r_.Convert(clipboard_, r_.Atom("TIMESTAMP"), property_), property_);
    const Requestor::Property time = r_.Read(property_, true);
    QCOMPARE(time.type, xcb_atom_t{XCB_ATOM_INTEGER});
    QCOMPARE(time.data.size(), 4);
    std::uint32_t taken = 0;
    std::memcpy(&taken, time.data.constData(), 4);
    QVERIFY2(taken != XCB_CURRENT_TIME, "the selection was taken without a server time");

    // A request made before the selection was taken is refused; one without
    // a property (an old client's) is answered in the property named after
    // the target.
    QCOMPARE(r_.Convert(clipboard_, XCB_ATOM_STRING, property_, taken - 1), xcb_atom_t{XCB_NONE});
    QCOMPARE(r_.Convert(clipboard_, XCB_ATOM_STRING, XCB_NONE, taken), xcb_atom_t{XCB_ATOM_STRING});
    QCOMPARE(r_.Read(XCB_ATOM_STRING, true).data, QByteArray("a"));
  }

  void answersMultiple() {
    QVERIFY(owner_->Own(XSelection::Which::Clipboard, "\xe5", QStringLiteral("\uF0E5").toUtf8()));
    const xcb_atom_t one = r_.Atom("HARF_ONE"), two = r_.Atom("HARF_TWO"),
                     three = r_.Atom("HARF_THREE");
    const std::uint32_t pairs[] = {XCB_ATOM_STRING,        one,  r_.Atom("image/png"), two,
                                   r_.Atom("UTF8_STRING"), three};
    xcb_change_property(r_.c(), XCB_PROP_MODE_REPLACE, r_.window(), property_, r_.Atom("ATOM_PAIR"),
                        32, 6, pairs);
    QCOMPARE(r_.Convert(clipboard_, r_.Atom("MULTIPLE"), property_), property_);
    const Requestor::Property answered = r_.Read(property_, true);
    QCOMPARE(answered.data.size(), 24);
    std::uint32_t got[6];
    std::memcpy(got, answered.data.constData(), 24);
    QCOMPARE(got[1], one);
    QCOMPARE(got[3], std::uint32_t{XCB_NONE});  // refused: no such target
    QCOMPARE(got[5], three);
    QCOMPARE(r_.Read(one, true).data, QByteArray("\xe5"));
    QCOMPARE(r_.Read(three, true).data, QStringLiteral("\uF0E5").toUtf8());
  }

  // One request naming thousands of targets, each into a property of its
  // own, makes the window write no more than its stated share into the
  // server: the first targets that fit are answered in full, in order, the
  // rest refused with None in their pair.
  void boundsMultiple() {
    const QByteArray text(200 * 1024, 'x');  // below the INCR size: each target whole
    QVERIFY(owner_->Own(XSelection::Which::Clipboard, text, text));
    constexpr int kTargets = 4096;
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (int i = 0; i < kTargets; ++i) {
      const std::string name = "HARF_MULTIPLE_" + std::to_string(i);
      cookies.push_back(
          xcb_intern_atom(r_.c(), 0, static_cast<std::uint16_t>(name.size()), name.c_str()));
    }
    const xcb_atom_t utf8 = r_.Atom("UTF8_STRING");
    std::vector<std::uint32_t> pairs;
    for (const xcb_intern_atom_cookie_t cookie : cookies) {
      Ptr<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(r_.c(), cookie, nullptr));
      QVERIFY(atom);
      pairs.push_back(utf8);
      pairs.push_back(atom->atom);
    }
    xcb_change_property(r_.c(), XCB_PROP_MODE_REPLACE, r_.window(), property_, r_.Atom("ATOM_PAIR"),
                        32, static_cast<std::uint32_t>(pairs.size()), pairs.data());
    QCOMPARE(r_.Convert(clipboard_, r_.Atom("MULTIPLE"), property_), property_);
    const Requestor::Property answered = r_.Read(property_, true);
    QCOMPARE(answered.data.size(), qsizetype(pairs.size() * 4));
    std::vector<std::uint32_t> got(pairs.size());
    std::memcpy(got.data(), answered.data.constData(), got.size() * 4);
    int served = 0;
    std::size_t written = 0;
    for (int i = 0; i < kTargets; ++i) {
      const std::uint32_t property = got[2 * i + 1];
      const Requestor::Property data = r_.Read(pairs[2 * i + 1], true);
      if (property == XCB_NONE) {
        QCOMPARE(data.type, xcb_atom_t{XCB_NONE});  // refused: nothing written
        continue;
      }
      QCOMPARE(i, served);  // answered ones come first, in order
      QCOMPARE(property, pairs[2 * i + 1]);
      QCOMPARE(data.data, text);
      written += static_cast<std::size_t>(data.data.size());
      ++served;
    }
    QVERIFY2(served >= 4, "a clipboard manager's few targets must all be answered");
    QVERIFY2(written <= XSelection::kMultipleBytes, std::to_string(written).c_str());
  }

  // Another client takes the clipboard: ours is dropped; the next copy takes
  // it back.
  void givesWayToAnotherOwner() {
    QVERIFY(owner_->Own(XSelection::Which::Clipboard, "a", "a"));
    QVERIFY(owner_->Own(XSelection::Which::Primary, "b", "b"));
    xcb_set_selection_owner(r_.c(), r_.window(), clipboard_, XCB_CURRENT_TIME);
    xcb_flush(r_.c());
    QTRY_VERIFY(!owner_->owns(XSelection::Which::Clipboard));
    QVERIFY(owner_->owns(XSelection::Which::Primary));
    QVERIFY(owner_->Own(XSelection::Which::Clipboard, "c", "c"));
    QVERIFY(r_.WaitFor(XCB_SELECTION_CLEAR));
    QCOMPARE(r_.Convert(clipboard_, XCB_ATOM_STRING, property_), property_);
    QCOMPARE(r_.Read(property_, true).data, QByteArray("c"));

    // Qt's clipboard in this process takes it without a word from the server.
    QGuiApplication::clipboard()->setText(QStringLiteral("d"));
    QVERIFY(!owner_->owns(XSelection::Which::Clipboard));
    QVERIFY(owner_->offeredUtf8(XSelection::Which::Clipboard) == nullptr);
    QVERIFY(owner_->owns(XSelection::Which::Primary));
  }

  // On quitting, a clipboard manager (another client, on a thread of its
  // own) is asked to save the clipboard and gets it before Harf goes.
  void handsTheClipboardToAManager() {
    Requestor manager;
    xcb_connection_t* m = manager.c();
    const xcb_atom_t managerAtom = manager.Atom("CLIPBOARD_MANAGER");
    const xcb_atom_t saveTargets = manager.Atom("SAVE_TARGETS");
    const xcb_atom_t savedAtom = manager.Atom("HARF_SAVED");
    xcb_set_selection_owner(m, manager.window(), managerAtom, XCB_CURRENT_TIME);
    Ptr<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(m, xcb_get_selection_owner(m, managerAtom), nullptr));
    QVERIFY(owner && owner->owner == manager.window());
    const QByteArray bytes = QByteArray(1000, '\xe5') + "\r\n";
    QVERIFY(owner_->Own(XSelection::Which::Clipboard, bytes, "x"));

    QByteArray saved;
    xcb_atom_t askedFor = XCB_NONE;
    std::thread thread([&] {
      QElapsedTimer timer;
      timer.start();
      auto next = [&](std::uint8_t type) -> Ptr<xcb_generic_event_t> {
        while (timer.elapsed() < 5000) {
          if (xcb_generic_event_t* e = xcb_poll_for_event(m)) {
            Ptr<xcb_generic_event_t> event(e);
            if ((e->response_type & 0x7f) == type) return event;
          } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
        }
        return nullptr;
      };
      const Ptr<xcb_generic_event_t> request = next(XCB_SELECTION_REQUEST);
      if (!request) return;
      const auto* r = reinterpret_cast<const xcb_selection_request_event_t*>(request.get());
      askedFor = r->target;
      xcb_convert_selection(m, manager.window(), clipboard_, XCB_ATOM_STRING, savedAtom, r->time);
      xcb_flush(m);
      if (!next(XCB_SELECTION_NOTIFY)) return;
      saved = manager.Read(savedAtom, true).data;
      xcb_selection_notify_event_t n{};
      n.response_type = XCB_SELECTION_NOTIFY;
      n.time = r->time;
      n.requestor = r->requestor;
      n.selection = r->selection;
      n.target = r->target;
      n.property = r->property;
      xcb_send_event(m, 0, r->requestor, XCB_EVENT_MASK_NO_EVENT,
                     reinterpret_cast<const char*>(&n));
      xcb_flush(m);
    });
    QElapsedTimer took;
    took.start();
    owner_->HandOver();
    thread.join();
    QCOMPARE(askedFor, saveTargets);
    QVERIFY(saved == bytes);
    QVERIFY2(took.elapsed() < 2500, "the hand-over waited for its time-out");
  }

  // Qt's own clipboard in this process reads through the X server, in one
  // piece whatever the size.
  void qtReadsItInThisProcess() {
    const QString text = QString(400000, QChar(0xF0E5)) + QStringLiteral("\r\n\uF020");
    QVERIFY(owner_->Own(XSelection::Which::Clipboard, "bytes", text.toUtf8()));
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), text);
  }

 private:
  std::unique_ptr<XSelection> owner_;
  Requestor r_;
  xcb_atom_t clipboard_ = XCB_NONE;
  xcb_atom_t property_ = XCB_NONE;
};

QTEST_MAIN(XSelectionTest)
#include "x_selection_test.moc"
