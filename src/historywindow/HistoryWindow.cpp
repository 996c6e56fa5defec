#include "historywindow/HistoryWindow.h"

#include <malloc.h>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

#include "history/Csv.h"
#include "platform/linux/FileReplace.h"

namespace historywindow {

namespace {

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

QString Percent(double value) {
    return QString::number(value, 'f', 1) + QStringLiteral(" %");
}

QString SitesText(uint8_t sites) {
    return sites == 3   ? QStringLiteral("main and alternate")
           : sites == 2 ? QStringLiteral("alternate")
                        : QStringLiteral("main");
}

QString Trip(const std::optional<int32_t>& ms) {
    return ms ? QStringLiteral("%1 ms").arg(*ms) : QStringLiteral("none");
}

// glibc keeps freed memory in its heaps once its threshold for memory of its own has risen past a year's
// rounds (a block that big, freed, raises it), so that a window closed would leave its year resident;
// handing the free pages back after the year's read and at the end keeps the program's memory as it was.
void TrimHeap() {
    ::malloc_trim(0);
}

QString CannotRead(const std::string& why) {
    return QStringLiteral("The history could not be read: ") + Text(why);
}

}  // namespace

HistoryWindow::HistoryWindow(history::Recorder& recorder, platform::HistoryFile& file,
                             forms::Dialogs& dialogs, HistoryContext context)
    : recorder_(recorder), file_(file), dialogs_(dialogs), context_(std::move(context)) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("TarnovelMon History"));
    // Escape, Close and the window's close button end the dialog, which frees it and its rounds.
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
    notice_ = QString::fromStdString(recorder_.TakeNotice());
    BuildControls();
    recorder_.SetListener([this](const common::Round& r) { Take(r); });
    // The chosen span is read at once; the year, which holds every span, on a thread of its own, so
    // that the window shows at once and changes span without reading the file again.
    heldFromMs_ = context_.nowMs() - CurrentSpan().lengthMs;
    std::string why;
    if (!history::ReadPoints(file_, heldFromMs_, rounds_, why)) notice_ = CannotRead(why);
    const int64_t yearFromMs = context_.nowMs() - kSpans.back().lengthMs;
    reader_ = std::thread([this, yearFromMs] {
        if (history::ReadPoints(file_, yearFromMs, year_, yearWhy_)) yearFromMs_ = yearFromMs;
        TrimHeap();
        QMetaObject::invokeMethod(
            this, [this] { TakeYear(); }, Qt::QueuedConnection);
    });
    Fill();
}

HistoryWindow::~HistoryWindow() {
    recorder_.SetListener({});
    if (reader_.joinable()) reader_.join();
    rounds_ = {};
    year_ = {};
    TrimHeap();
}

void HistoryWindow::TakeYear() {
    if (!reader_.joinable()) return;
    reader_.join();
    if (!yearFromMs_) {
        notice_ = CannotRead(yearWhy_);
        return Fill();
    }
    // The rounds taken while the year was read: those after its last are new to it.
    const int64_t last = year_.empty() ? INT64_MIN : year_.back().atMs;
    for (const history::Point& p : rounds_) {
        if (p.atMs > last) year_.push_back(p);
    }
    rounds_ = std::move(year_);
    heldFromMs_ = *yearFromMs_;
    Fill();
}

void HistoryWindow::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* spanLabel = new QLabel(QStringLiteral("&Span:"), this);
    span_ = new QComboBox(this);
    for (const SpanChoice& s : kSpans) span_->addItem(QString::fromLatin1(s.name));
    span_->setCurrentIndex(1);
    span_->setAccessibleName(QStringLiteral("Span"));
    spanLabel->setBuddy(span_);
    top->addWidget(spanLabel);
    top->addWidget(span_);
    top->addStretch();
    layout->addLayout(top);
    state_ = new QLabel(this);
    state_->setWordWrap(true);
    layout->addWidget(state_);
    auto* graphLabel = new QLabel(QStringLiteral("&Round trips:"), this);
    graph_ = new RoundGraph(this);
    graph_->setObjectName(QStringLiteral("graph"));
    graph_->setAccessibleName(QStringLiteral("Round trips"));
    graphLabel->setBuddy(graph_);
    cursor_ = new QLabel(this);
    cursor_->setObjectName(QStringLiteral("cursor"));
    cursor_->setAccessibleDescription(QStringLiteral("The round at the graph's cursor"));
    layout->addWidget(graphLabel);
    layout->addWidget(graph_, 2);
    layout->addWidget(cursor_);
    auto* outagesLabel = new QLabel(QStringLiteral("&Outages, newest first:"), this);
    outages_ = new QTableWidget(0, 5, this);
    outages_->setHorizontalHeaderLabels({QStringLiteral("Start"), QStringLiteral("End"),
                                         QStringLiteral("Length"), QStringLiteral("Worst lamp"),
                                         QStringLiteral("Site")});
    outages_->setAccessibleName(QStringLiteral("Outages"));
    outages_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    outages_->setSelectionBehavior(QAbstractItemView::SelectRows);
    outages_->verticalHeader()->hide();
    outages_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    outagesLabel->setBuddy(outages_);
    layout->addWidget(outagesLabel);
    layout->addWidget(outages_, 1);
    figures_ = new QLabel(this);
    figures_->setAccessibleDescription(QStringLiteral("The span's figures"));
    figures_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    figures_->setFocusPolicy(Qt::TabFocus);
    layout->addWidget(figures_);
    auto* buttons = new QHBoxLayout;
    auto* exportButton = new QPushButton(QStringLiteral("&Export CSV..."), this);
    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    buttons->addStretch();
    buttons->addWidget(exportButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(span_, &QComboBox::currentIndexChanged, this, [this] { Fill(); });
    connect(graph_, &RoundGraph::CursorMoved, this, [this] { cursor_->setText(graph_->CursorText()); });
    connect(exportButton, &QPushButton::clicked, this, [this] { ExportCsv(); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 520);
}

const SpanChoice& HistoryWindow::CurrentSpan() const {
    return kSpans[static_cast<size_t>(std::max(0, span_->currentIndex()))];
}

void HistoryWindow::Fill() {
    fromMs_ = context_.nowMs() - CurrentSpan().lengthMs;
    // A span longer than what is held is shown once the year's read is done.
    if (fromMs_ < heldFromMs_ && reader_.joinable()) {
        reading_ = true;
        return ShowState();
    }
    reading_ = false;
    graph_->SetLevels(context_.levels());
    Show();
}

std::span<const history::Point> HistoryWindow::Shown() const {
    const auto first = std::lower_bound(rounds_.begin(), rounds_.end(), fromMs_,
                                        [](const history::Point& p, int64_t ms) { return p.atMs < ms; });
    return {first, rounds_.end()};
}

void HistoryWindow::Take(const common::Round& round) {
    if (round.atMs < heldFromMs_) return;
    rounds_.push_back(history::PointOf(round));
    if (round.atMs >= fromMs_) Show();
}

void HistoryWindow::Show() {
    const std::span<const history::Point> shown = Shown();
    const history::Summary s = history::Summarise(shown, context_.waits());
    graph_->SetRounds(shown, fromMs_, context_.nowMs());
    graph_->setAccessibleDescription(Text(history::Description(CurrentSpan().name, s)));
    ShowOutages(s);
    const history::Figures& f = s.figures;
    figures_->setText(QStringLiteral("Rounds: %1; lost: main site %2, alternate site %3; time down: %4\n"
                                     "Round trip: least %5, median %6, 95th percentile %7, most %8")
                          .arg(Text(history::GroupedText(f.rounds)), Percent(f.sites[0].Percent()),
                               Percent(f.sites[1].Percent()), Percent(f.DownPercent()), Trip(f.least),
                               Trip(f.median), Trip(f.p95), Trip(f.most)));
    ShowState();
}

void HistoryWindow::ShowOutages(const history::Summary& s) {
    outages_->setRowCount(static_cast<int>(s.outages.size()));
    int row = 0;
    for (auto o = s.outages.rbegin(); o != s.outages.rend(); ++o, ++row) {
        const QString cells[] = {
            LocalTimeText(o->startMs), o->ongoing ? QStringLiteral("ongoing") : LocalTimeText(o->endMs),
            Text(history::LengthText(o->LengthMs())),
            o->worstLamp == common::kRoundRed ? QStringLiteral("red") : QStringLiteral("yellow"),
            SitesText(o->sites)};
        for (int c = 0; c < 5; ++c) outages_->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
}

void HistoryWindow::ShowState() {
    QString text = reading_ ? QStringLiteral("Reading the rounds of the span...") : notice_;
    if (!recorder_.Problem().empty()) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += QStringLiteral("History is not being recorded: ") + Text(recorder_.Problem());
    }
    state_->setText(text);
    state_->setVisible(!text.isEmpty());
}

void HistoryWindow::ExportCsv() {
    const QString name = dialogs_.SaveFileName(this, QStringLiteral("Export CSV"),
                                               QDir::homePath() + QStringLiteral("/tarnovelmon-history.csv"));
    if (name.isEmpty()) return;
    std::string csv = history::CsvHeader(), why;
    const bool read = file_.Read(
        fromMs_, [&csv](const common::Round& r) { csv += history::CsvRow(r); }, why);
    const int error = read ? platform::ReplaceFile(name.toStdString(), csv) : 0;
    if (read && error == 0) return;
    dialogs_.MsgBox(QStringLiteral("The history could not be exported: %1")
                        .arg(read ? QString::fromLocal8Bit(std::strerror(error)) : Text(why)),
                    forms::kMsgInformation, QStringLiteral("TarnovelMon"));
}

}  // namespace historywindow
