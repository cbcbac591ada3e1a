// The notice pane against a small HTTP server on 127.0.0.1.
#include "app/notice_pane.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QToolButton>

namespace matslip {
namespace {

// Answers every GET with the page registered for its path, or 404; keeps
// the paths asked for, in order.
class TinyHttpServer : public QObject {
 public:
  TinyHttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        QObject::connect(s, &QTcpSocket::readyRead, this,
                         [this, s] { Answer(s); });
      }
    });
  }
  QString base() const {
    return QString("http://127.0.0.1:%1").arg(server_.serverPort());
  }
  QMap<QString, QByteArray> pages;
  QStringList asked;

 private:
  void Answer(QTcpSocket* s) {
    QByteArray request = s->readAll();
    QList<QByteArray> first = request.split('\n').value(0).split(' ');
    QString path = QString::fromLatin1(first.value(1));
    asked << path;
    QByteArray body = pages.value(path);
    QByteArray head = pages.contains(path) ? "HTTP/1.0 200 OK\r\n"
                                           : "HTTP/1.0 404 Not Found\r\n";
    s->write(head + "Content-Type: text/html\r\nContent-Length: " +
             QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
             body);
    s->disconnectFromHost();
  }
  QTcpServer server_;
};

// Runs the event loop until the pane reports what it shows (or 5 s pass).
QString WaitShown(NoticePane& pane) {
  QEventLoop loop;
  QString shown = "<nothing>";
  QObject::connect(&pane, &NoticePane::shown, &loop, [&](const QString& a) {
    shown = a;
    loop.quit();
  });
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  loop.exec();
  return shown;
}

TEST(NoticePaneTest, ReadsThePagesAtTicksOneThreeAndSixAndStopsAtEleventh) {
  TinyHttpServer http;
  for (int i = 1; i <= 3; ++i) {
    http.pages[QString("/%1.txt").arg(i)] =
        (http.base() + QString("/notice%1.html\r\n").arg(i)).toUtf8();
    http.pages[QString("/notice%1.html").arg(i)] =
        QString("<p>公告%1</p>").arg(i).toUtf8();
  }
  int ticks = 0;
  NoticePane pane(&ticks, http.base());
  pane.Start();
  for (int tick = 1; tick <= 11; ++tick) {
    pane.Tick();
    if (tick == 1 || tick == 3 || tick == 6) {
      int page = tick == 1 ? 1 : tick == 3 ? 2 : 3;
      EXPECT_EQ(WaitShown(pane),
                http.base() + QString("/notice%1.html").arg(page));
      EXPECT_TRUE(pane.toPlainText().contains(QString("公告%1").arg(page)));
    }
    EXPECT_EQ(pane.timer_active(), tick < 11) << tick;
  }
  EXPECT_EQ(http.asked,
            (QStringList{"/1.txt", "/notice1.html", "/2.txt", "/notice2.html",
                         "/3.txt", "/notice3.html"}));
  EXPECT_EQ(ticks, 10);
}

TEST(NoticePaneTest, FailuresStayBlankAndSilent) {
  TinyHttpServer http;
  // /1.txt is missing, /2.txt names a file address, /3.txt a page that fails.
  http.pages["/2.txt"] = "file:///etc/passwd";
  http.pages["/3.txt"] = (http.base() + "/gone.html").toUtf8();
  int ticks = 0;
  NoticePane pane(&ticks, http.base());
  pane.Tick();
  EXPECT_EQ(WaitShown(pane), QString());
  pane.Tick();
  pane.Tick();
  EXPECT_EQ(WaitShown(pane), QString());
  pane.Tick();
  pane.Tick();
  pane.Tick();
  EXPECT_EQ(WaitShown(pane), QString());
  EXPECT_TRUE(pane.toPlainText().isEmpty());
  EXPECT_FALSE(http.asked.contains("/etc/passwd"));

  // No server at all: nothing is downloaded, nothing is shown.
  int other_ticks = 0;
  NoticePane offline(&other_ticks, QString());
  offline.Tick();
  EXPECT_TRUE(offline.toPlainText().isEmpty());

  // A server that is not listening.
  QTcpServer closed;
  closed.listen(QHostAddress::LocalHost, 0);
  QString dead = QString("http://127.0.0.1:%1").arg(closed.serverPort());
  closed.close();
  int dead_ticks = 0;
  NoticePane unreachable(&dead_ticks, dead);
  unreachable.Tick();
  EXPECT_EQ(WaitShown(unreachable), QString());
}

TEST(NoticePaneTest, ClosedPaneStaysClosedForTheRun) {
  TinyHttpServer http;
  for (int i = 1; i <= 3; ++i) {
    http.pages[QString("/%1.txt").arg(i)] =
        (http.base() + QString("/notice%1.html").arg(i)).toUtf8();
    http.pages[QString("/notice%1.html").arg(i)] =
        QString("<p>公告%1</p>").arg(i).toUtf8();
  }
  int ticks = 0;
  NoticePane pane(&ticks, http.base());
  pane.show();
  pane.Start();
  pane.Tick();
  ASSERT_EQ(WaitShown(pane), http.base() + "/notice1.html");

  QToolButton* close_box = nullptr;
  for (QToolButton* b : pane.findChildren<QToolButton*>())
    if (b->accessibleName() == QString("关闭公告栏")) close_box = b;
  ASSERT_NE(close_box, nullptr);
  EXPECT_EQ(close_box->toolTip(), close_box->accessibleName());
  EXPECT_TRUE(close_box->isVisible());
  close_box->click();
  EXPECT_TRUE(pane.isHidden());
  EXPECT_FALSE(pane.timer_active());

  // Ticks 2 and 3 would read the second page; a closed pane reads nothing.
  pane.Tick();
  pane.Tick();
  QCoreApplication::processEvents();
  EXPECT_EQ(ticks, 1);
  EXPECT_TRUE(pane.isHidden());
  EXPECT_TRUE(pane.toPlainText().isEmpty());
  EXPECT_FALSE(http.asked.contains("/2.txt"));
}

}  // namespace
}  // namespace matslip
