#include "speedtest/single_speed_test.h"

#include "app/main_window_engine.h"
#include "app/text_decoding.h"
#include "app/user_prompts.h"
#include "backend/split.h"
#include "lines/line_catalogue.h"
#include "speedtest/speed_test_rules.h"
#include "speedtest/speed_test_texts.h"

namespace kvt {

SingleSpeedTest::SingleSpeedTest(MainWindowEngine& main, std::shared_ptr<IcmpEcho> echo,
                                 QObject* parent)
    : QObject(parent), main_(main), echo_(std::move(echo)), echoTimeoutMs_(SingleTimeoutMs) {}

SingleSpeedTest::~SingleSpeedTest() = default;

QString SingleSpeedTest::caption() {
    return TestSpeedCaption();
}

QString SingleSpeedTest::button1Caption() {
    return RetryTestCaption();
}

void SingleSpeedTest::Button1Click() {
    ListBox1_.clear();
    Q_EMIT listChanged();
    cesuClick();
}

void SingleSpeedTest::cesuClick() {
    const QString line = main_.IPAddrTxtText();
    if (line.contains(QStringLiteral("选择服务器"), Qt::CaseInsensitive) ||
        line.trimmed().isEmpty()) {
        Prompts().focus(QStringLiteral("IPAddrTxt"));
        return;
    }
    const QString value = CurrentLineCatalogue().value(main_.AreaTxt2Text(), line);
    if (value.isEmpty())
        Prompts().message(LineValueMissingText(), UserPrompts::Icon::None);
    target_ = UnscrambleShort(SplitPiece(Split(value, QStringLiteral(",")), 0));
    // The replies are labelled with the line this series measures, even if the user picks
    // another line before the series ends.
    lineText_ = line;

    pending_.reset();
    ListBox1_.clear();
    Q_EMIT listChanged();
    Q_EMIT showRequested();
    main_.setControlEnabled(QStringLiteral("cesu"), false);
    sent_ = 0;
    sendNext();
}

void SingleSpeedTest::sendNext() {
    if (sent_ >= SingleEchoCount) {
        finishSeries();
        return;
    }
    ++sent_;
    EchoRequest request;
    request.address = target_;
    request.payloadSize = SinglePayloadSize;
    request.timeoutMs = echoTimeoutMs_;
    // Replacing the pending echo from inside its own completion is safe: it touches nothing
    // after calling us.
    pending_ = echo_->startEcho(request, [this](const EchoResult& result) { onEcho(result); });
}

void SingleSpeedTest::onEcho(const EchoResult& result) {
    switch (result.outcome) {
    case EchoResult::Outcome::BadAddress:
    case EchoResult::Outcome::SocketError:
    case EchoResult::Outcome::Cancelled:
        // The echo could not be made: the series ends here, silently.
        finishSeries();
        return;
    default:
        ICMPReply(result);
        sendNext();
    }
}

void SingleSpeedTest::ICMPReply(const EchoResult& result) {
    const QString name = SplitPiece(Split(lineText_, QStringLiteral(",")), 0);
    ListBox1_.append(SingleReplyLine(name, ReportedTimeMs(result)));
    Q_EMIT listChanged();
}

void SingleSpeedTest::finishSeries() {
    pending_.reset();
    main_.setControlEnabled(QStringLiteral("cesu"), true);
    Q_EMIT seriesFinished();
}

} // namespace kvt
