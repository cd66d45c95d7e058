// An entry that cannot play (not a video, a dead stream, a file gone, a link that is no
// address): the reason over the video, the desktop told it stopped, then the next entry.

#include "carplay/KavioController.h"

#include "carplay/CarStyle.h"
#include "carplay/FailureView.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kavio::carplay {

namespace {

QLabel* makeLine(int pixels, QFont::Weight weight, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText); // reasons quote links and file names
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

} // namespace

FailureView::FailureView(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, style::playerBackground);
    setPalette(palette);
    setAttribute(Qt::WA_TransparentForMouseEvents); // the strip and close stay at hand
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(10);
    layout->addStretch(1);
    title_ = makeLine(style::kFailureTitlePixels, QFont::DemiBold, style::failureTitle, this);
    title_->setText(tr("This video can't be played"));
    reason_ = makeLine(style::kFailureTextPixels, QFont::Normal, style::failureDetail, this);
    next_ = makeLine(style::kFailureTextPixels, QFont::Normal, style::failureDetail, this);
    layout->addWidget(title_);
    layout->addWidget(reason_);
    layout->addWidget(next_);
    layout->addStretch(1);
    hide();
}

void FailureView::show(const QString& reason, const QString& next)
{
    reason_->setText(reason);
    next_->setText(next);
    next_->setVisible(!next.isEmpty());
    setAccessibleName(title_->text() + QStringLiteral(". ") + reason);
    raise();
    QWidget::show();
}

QString FailureView::text() const
{
    return title_->text() + u'\n' + reason_->text() + u'\n' + next_->text();
}

QString KavioController::failureText() const
{
    return failureView_ && failureView_->isVisible() ? failureView_->text() : QString();
}

void KavioController::setupFailureView()
{
    failureView_ = new FailureView(view());
    skipTimer_.setSingleShot(true);
    if (skipTimer_.interval() == 0)
        skipTimer_.setInterval(kSkipFailedEntryAfter);
    connect(&skipTimer_, &QTimer::timeout, this, &KavioController::skipFailedEntry);
}

void KavioController::entryFailed(const QString& backendMessage)
{
    if (closed_ || queue_->isEmpty() || !failureView_)
        return;
    const std::size_t index = queue_->currentIndex();
    const QString reason = failureReason(queue_->entry(index), playingSource_, backendMessage);
    platform::NowPlayingInfoCenter::shared().setPlaybackState(platform::PlaybackState::Stopped, this);
    // Going round a queue where nothing plays would only flash the same messages.
    const bool giveUp = failures_.add(index, queue_->count());
    const QString next = giveUp ? (queue_->count() == 1 ? QString() : tr("None of the videos here can be played."))
                                : tr("The next video starts in a moment.");
    failureView_->show(reason, next);
    if (!giveUp)
        skipTimer_.start();
}

void KavioController::skipFailedEntry()
{
    if (!closed_ && player_ && !queue_->isEmpty())
        playEntry(queue_->advance());
}

void KavioController::hideFailure()
{
    if (failureView_)
        failureView_->hide();
}

} // namespace kavio::carplay
