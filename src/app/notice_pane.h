#pragma once
// The notice pane of the main window: every 3 seconds a tick; at ticks 1, 3
// and 6 it reads a text page of the notice server, which names an address,
// and shows the page at that address as light HTML (no scripts, no remote
// resources). Downloads are asynchronous, limited to 10 seconds and 1 MiB;
// every failure leaves the pane blank and says nothing. A close box in its
// corner closes it for the rest of the run: no more downloads, never shown.
#include <QPointer>
#include <QTextBrowser>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;
class QToolButton;

namespace matslip {

class NoticePane : public QTextBrowser {
  Q_OBJECT

 public:
  // `ticks` is the run's tick counter; `server` the notice server's address
  // (empty: no downloads, a blank pane).
  NoticePane(int* ticks, QString server, QWidget* parent = nullptr);

  // Starts the 3-second timer.
  void Start();
  bool timer_active() const { return timer_.isActive(); }
  // One timer tick (the timer calls it; tests call it directly).
  void Tick();
  // What the close box does.
  void Close();
  bool closed() const { return closed_; }

 signals:
  // The address of the page now shown (empty: blank).
  void shown(const QString& address);

 protected:
  // Pages are shown without fetching anything they refer to.
  QVariant loadResource(int type, const QUrl& name) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Downloads `url` (http or https only) and calls `done` with its bytes, or
  // with an empty array on any failure.
  void Fetch(const QUrl& url, std::function<void(const QByteArray&)> done);
  void ShowAddress(const QString& address);

  int* ticks_;
  QString server_;
  QTimer timer_;
  QNetworkAccessManager* network_;
  QToolButton* close_box_;
  bool closed_ = false;
};

// Decodes a downloaded text: UTF-8 when it is valid UTF-8, else GBK.
QString DecodeDownloadedText(const QByteArray& bytes);

}  // namespace matslip
