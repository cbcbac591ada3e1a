#include "app/notice_pane.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>

#include "app/notice.h"
#include "base/gbk.h"

namespace matslip {

NoticePane::NoticePane(int* ticks, QString server, QWidget* parent)
    : QTextBrowser(parent),
      ticks_(ticks),
      server_(std::move(server)),
      network_(new QNetworkAccessManager(this)) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  timer_.setInterval(kNoticeTimerMs);
  connect(&timer_, &QTimer::timeout, this, &NoticePane::Tick);
}

void NoticePane::Start() { timer_.start(); }

void NoticePane::Tick() {
  NoticeStep step = NoticeTick(ticks_);
  if (step.stop) timer_.stop();
  if (step.page == 0) return;
  if (server_.isEmpty()) {
    ShowAddress(QString());
    return;
  }
  QUrl page(QString::fromStdString(NoticePageUrl(server_.toStdString(), step.page)));
  Fetch(page, [this](const QByteArray& bytes) {
    ShowAddress(QString::fromStdString(
        ShowableAddress(DecodeDownloadedText(bytes).toStdString())));
  });
}

void NoticePane::ShowAddress(const QString& address) {
  if (address.isEmpty()) {
    clear();
    emit shown(QString());
    return;
  }
  Fetch(QUrl(address), [this, address](const QByteArray& bytes) {
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
  return QString::fromStdString(GbkToUtf8(std::string_view(bytes.constData(), bytes.size())));
}

}  // namespace matslip
