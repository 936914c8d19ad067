// The X selections CLIPBOARD and PRIMARY, owned by Harf itself. Qt's xcb
// plugin derives STRING and UTF8_STRING from one plain text, so the bytes of
// the glyph codes and the characters of the display font cannot both go out
// through QClipboard; here every target gets its own data. Where Qt does not
// run on X11 there is no owner and the window falls back to QClipboard.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QBasicTimer>
#include <QByteArray>
#include <QObject>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

struct xcb_connection_t;

namespace harf::ui {

class XSelection final : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  enum class Which : std::uint8_t { Clipboard, Primary };

  // The owner on this application's X connection, with a small unmapped
  // window of its own; null where the platform is not X11.
  static std::unique_ptr<XSelection> ForApplication();
  ~XSelection() override;

  // Offers `bytes` as STRING and `utf8` as UTF8_STRING, TEXT,
  // "text/plain;charset=utf-8" and "text/plain" until another client takes
  // the selection. False when the server gave the selection to no one.
  bool Own(Which which, QByteArray bytes, QByteArray utf8);
  // Whether the selection is still ours: another client, or Qt's clipboard
  // in this process, may have taken it.
  bool owns(Which which) { return StillOwner(Index(which)); }
  // The UTF-8 text offered while the selection is ours, else null.
  const QByteArray* offeredUtf8(Which which) {
    return StillOwner(Index(which)) ? &offers_[Index(which)]->utf8 : nullptr;
  }
  // Asks a clipboard manager, where one runs, to keep the clipboard when
  // Harf quits, and answers its requests until it has (a few seconds at
  // most). Called when the application is about to quit.
  void HandOver();

  // Data larger than this goes out in pieces of this size (INCR).
  static constexpr std::size_t kIncrChunk = std::size_t{256} * 1024;
  // The most one MULTIPLE request makes the window write into the server at
  // once, requests' own size included (an INCR transfer counts one piece): a
  // clipboard manager gets every target of any copy, a client naming
  // thousands of targets gets the first that fit and None for the rest.
  static constexpr std::size_t kMultipleBytes = 16 * kIncrChunk;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 protected:
  void timerEvent(QTimerEvent* e) override;

 private:
  struct Offer {
    QByteArray bytes;
    QByteArray utf8;
    std::uint32_t time = 0;  // when the selection was taken
  };
  // One INCR transfer: the rest of a property the requestor reads in pieces.
  struct Transfer {
    std::uint32_t requestor = 0;
    std::uint32_t property = 0;
    std::uint32_t type = 0;
    std::shared_ptr<const Offer> offer;
    bool utf8 = false;
    std::size_t sent = 0;
    bool finished = false;  // the closing empty piece is out
    qint64 lastActive = 0;
  };
  enum Atom : std::uint8_t {
    kClipboard,
    kTargets,
    kTimestamp,
    kMultiple,
    kAtomPair,
    kIncr,
    kUtf8String,
    kText,
    kMimeUtf8,
    kMimePlain,
    kSelectionTime,
    kClipboardManager,
    kSaveTargets,
    kAtomCount
  };

  XSelection(xcb_connection_t* c, std::uint32_t window,
             std::array<std::uint32_t, kAtomCount> atoms);
  static std::size_t Index(Which w) { return w == Which::Clipboard ? 0 : 1; }
  std::uint32_t SelectionAtom(std::size_t i) const;
  // Writes one target to the requestor's property; false if it is refused.
  bool Convert(const std::shared_ptr<const Offer>& offer, std::uint32_t requestor,
               std::uint32_t target, std::uint32_t property);
  // What Convert writes into the server at once for `target`.
  std::size_t CostOf(const Offer& offer, std::uint32_t requestor, std::uint32_t target) const;
  // Whether data of `size` goes to the requestor in one property (else INCR).
  bool Whole(std::uint32_t requestor, std::size_t size) const;
  void HandleRequest(const void* event);
  void HandlePropertyDelete(std::uint32_t window, std::uint32_t atom);
  void SendPiece(Transfer& t);
  void EndTransfer(std::size_t i, bool windowGone = false);
  bool SameClient(std::uint32_t window) const;
  bool StillOwner(std::size_t i);

  xcb_connection_t* c_;
  std::uint32_t window_;
  std::array<std::uint32_t, kAtomCount> atoms_;
  std::size_t maxRequestBytes_;
  std::uint32_t lastTime_ = 0;  // the newest server time seen in an event
  std::uint8_t xinputOpcode_ = 0;
  bool handingOver_ = false;
  std::array<std::shared_ptr<const Offer>, 2> offers_;
  std::vector<Transfer> transfers_;
  QBasicTimer staleTransfers_;
};

}  // namespace harf::ui
