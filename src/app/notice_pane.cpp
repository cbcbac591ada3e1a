#include "app/notice_pane.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QToolButton>

#include "app/notice.h"
#include "base/gbk.h"

namespace matslip {
namespace {

constexpr char kPaneName[] = "公告栏";
constexpr char kCloseBoxCaption[] = "×";
constexpr char kCloseBoxTip[] = "关闭公告栏";

}  // namespace

NoticePane::NoticePane(int* ticks, QString server, QWidget* parent)
    : QTextBrowser(parent),
      ticks_(ticks),
      server_(std::move(server)),
      network_(new QNetworkAccessManager(this)),
      close_box_(new QToolButton(this)) {
  setAccessibleName(QString::fromUtf8(kPaneName));
  close_box_->setText(QString::fromUtf8(kCloseBoxCaption));
  close_box_->setToolTip(QString::fromUtf8(kCloseBoxTip));
  close_box_->setAccessibleName(QString::fromUtf8(kCloseBoxTip));
  close_box_->setAutoRaise(true);
  connect(close_box_, &QToolButton::clicked, this, &NoticePane::Close);
  setOpenLinks(false);
  setOpenExternalLinks(false);
  timer_.setInterval(kNoticeTimerMs);
  connect(&timer_, &QTimer::timeout, this, &NoticePane::Tick);
}

void NoticePane::Start() { timer_.start(); }

void NoticePane::Close() {
  closed_ = true;
  timer_.stop();
  clear();
  hide();
}

void NoticePane::resizeEvent(QResizeEvent* event) {
  QTextBrowser::resizeEvent(event);
  const QSize size = close_box_->sizeHint();
  const QRect view = viewport()->geometry();
  close_box_->setGeometry(view.right() + 1 - size.width(), view.top(),
                          size.width(), size.height());
}

void NoticePane::Tick() {
  if (closed_) return;
  NoticeStep step = NoticeTick(ticks_);
  if (step.stop) timer_.stop();
  if (step.page == 0) return;
  if (server_.isEmpty()) {
    ShowAddress(QString());
    return;
  }
  QUrl page(
      QString::fromStdString(NoticePageUrl(server_.toStdString(), step.page)));
  Fetch(page, [this](const QByteArray& bytes) {
    ShowAddress(QString::fromStdString(
        ShowableAddress(DecodeDownloadedText(bytes).toStdString())));
  });
}

void NoticePane::ShowAddress(const QString& address) {
  if (closed_) return;
  if (address.isEmpty()) {
    clear();
    emit shown(QString());
    return;
  }
  Fetch(QUrl(address), [this, address](const QByteArray& bytes) {
    if (closed_) return;
    if (bytes.isEmpty()) {
      clear();
      emit shown(QString());
      return;
    }
    setHtml(DecodeDownloadedText(bytes));
    emit shown(address);
  });
}

void NoticePane::Fetch(const QUrl& url,
                       std::function<void(const QByteArray&)> done) {
  QString scheme = url.scheme().toLower();
  if (!url.isValid() || (scheme != "http" && scheme != "https")) {
    done(QByteArray());
    return;
  }
  QNetworkRequest request(url);
  request.setTransferTimeout(kNoticeTimeoutMs);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  QNetworkReply* reply = network_->get(request);
  auto* received = new QByteArray;
  connect(reply, &QNetworkReply::readyRead, reply, [reply, received] {
    *received += reply->readAll();
    if (received->size() > kNoticeMaxBytes) reply->abort();
  });
  connect(reply, &QNetworkReply::finished, this,
          [reply, received, done = std::move(done)] {
            *received += reply->readAll();
            bool ok = reply->error() == QNetworkReply::NoError &&
                      received->size() <= kNoticeMaxBytes;
            done(ok ? *received : QByteArray());
            delete received;
            reply->deleteLater();
          });
}

QVariant NoticePane::loadResource(int, const QUrl&) { return QVariant(); }

QString DecodeDownloadedText(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError()) return text;
  return QString::fromStdString(
      GbkToUtf8(std::string_view(bytes.constData(), bytes.size())));
}

}  // namespace matslip
