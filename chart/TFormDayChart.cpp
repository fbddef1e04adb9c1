#include "chart/TFormDayChart.h"

#include "chart/DayCharts.h"
#include "chart/ReportDialog.h"
#include "hall/LocalTime.h"
#include "journal/JournalReasons.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <system_error>

namespace {

using namespace std::chrono;

const QLocale &German()
{
    static const QLocale locale(QLocale::German, QLocale::Germany);
    return locale;
}

year_month_day DateOf(QDate date)
{
    return year_month_day(year(date.year()), month(static_cast<unsigned>(date.month())),
                          day(static_cast<unsigned>(date.day())));
}

QDate DateOf(year_month_day date)
{
    return QDate(static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                 static_cast<int>(static_cast<unsigned>(date.day())));
}

QString ClockText(seconds timeOfDay)
{
    const hh_mm_ss<seconds> clock(timeOfDay);
    return QStringLiteral("%1:%2")
        .arg(clock.hours().count(), 2, 10, QLatin1Char('0'))
        .arg(clock.minutes().count(), 2, 10, QLatin1Char('0'));
}

// The date field's parts: weekday, day, month, year.
constexpr int kDayNumberSection = 1;

QString Persons(std::int32_t count)
{
    return count == 1 ? QStringLiteral("1 Person") : German().toString(count) + QStringLiteral(" Personen");
}

// A file dialog to save a file, in German.
void GermanSaveDialog(QFileDialog &dialog)
{
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setLocale(German());
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Suchen in:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Dateiname:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Dateityp:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Speichern"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
}

QString SaveCsvDialog(QWidget *parent, const QString &suggested)
{
    QFileDialog dialog(parent, QStringLiteral("Tagesverlauf als CSV speichern"), suggested,
                       QStringLiteral("CSV-Dateien (*.csv);;Alle Dateien (*)"));
    GermanSaveDialog(dialog);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// The report as PDF or CSV, as the file type chosen says.
TFormDayChart::ReportFile SaveReportDialog(QWidget *parent, const QString &suggested)
{
    const QString pdf = QStringLiteral("PDF-Dateien (*.pdf)");
    const QString csv = QStringLiteral("CSV-Dateien (*.csv)");
    QFileDialog dialog(parent, QStringLiteral("Bericht speichern"), suggested + QStringLiteral(".pdf"),
                       pdf + QStringLiteral(";;") + csv);
    GermanSaveDialog(dialog);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    // The name given so far takes the type's suffix.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        const QString suffix = filter == csv ? QStringLiteral("csv") : QStringLiteral("pdf");
        const QStringList given = dialog.selectedFiles();
        const QFileInfo name(given.isEmpty() ? suggested : given.constFirst());
        dialog.setDefaultSuffix(suffix);
        dialog.selectFile(name.completeBaseName() + QLatin1Char('.') + suffix);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = dialog.selectedFiles().constFirst();
    // A name ending in .csv or .pdf says it, else the type chosen.
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool asCsv =
        suffix == QStringLiteral("csv") || (suffix != QStringLiteral("pdf") && dialog.selectedNameFilter() == csv);
    return {path, asCsv ? ReportSaver::Format::Csv : ReportSaver::Format::Pdf};
}

// The program's name in lower case, which the files it suggests begin with.
QString ProgramName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).baseName().toLower();
}

// pontra-bericht-2026-12-07, -2026-W50, -2026-12, -2026-12-01-bis-2026-12-20.
QString ReportFileName(const ReportPeriod &period)
{
    const QDate first = DateOf(period.first);
    QString name;
    switch (period.kind) {
    case ReportPeriod::Kind::Day:
        name = first.toString(Qt::ISODate);
        break;
    case ReportPeriod::Kind::Week: {
        int weekYear = 0;
        const int week = first.weekNumber(&weekYear);
        name = QStringLiteral("%1-W%2").arg(weekYear).arg(week, 2, 10, QLatin1Char('0'));
        break;
    }
    case ReportPeriod::Kind::Month:
        name = first.toString(QStringLiteral("yyyy-MM"));
        break;
    case ReportPeriod::Kind::Days:
        name = first.toString(Qt::ISODate) + QStringLiteral("-bis-") + DateOf(period.last).toString(Qt::ISODate);
        break;
    }
    return QStringLiteral("%1-bericht-%2").arg(ProgramName(), name);
}

// A save's progress appears only once the save takes a moment.
constexpr auto kProgressAfter = milliseconds(300);
constexpr auto kCsvProgressStep = milliseconds(100);

// Why a file could not be written, in German: the file rules' phrase, else
// from error, the system's error number of the step that failed, or 0.
QString WriteFailure(const QString &path, const QString &problem, int error)
{
    const QFileInfo file(path);
    if (file.isDir())
        return QStringLiteral("das ist ein Ordner");
    if (!file.absoluteDir().exists())
        return QStringLiteral("den Ordner gibt es nicht");
    if (!problem.isEmpty())
        return problem;
    if (error != 0)
        return QString::fromStdString(SystemReason(std::error_code(error, std::generic_category())));
    return QStringLiteral("Schreibfehler");
}

} // namespace

// A dialog to the window system, so that it belongs to its parent and stays
// above it, the always-on-top main window, yet with the buttons of a window.
TFormDayChart::TFormDayChart(DayReader readDay, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                          | Qt::WindowCloseButtonHint)
    , ChooseCsvFile(SaveCsvDialog)
    , ChooseReportFile(SaveReportDialog)
    , Now([] { return system_clock::now(); })
    , loader_(new DayLoader(std::move(readDay), this))
    , csvSaver_(new CsvSaver(this))
    , reportSaver_(new ReportSaver(this))
{
    setWindowTitle(QStringLiteral("Tagesverlauf"));
    setLocale(German());
    resize(900, 560);
    // Smaller, the axes' labels no longer fit.
    setMinimumSize(720, 480);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    saveFolder_ = QDir(documents).exists() ? documents : QDir::homePath();

    auto *dayLabel = new QLabel(QStringLiteral("&Tag:"), this);
    DayEdit = new QDateEdit(this);
    DayEdit->setLocale(German());
    DayEdit->setCalendarPopup(true);
    DayEdit->calendarWidget()->setLocale(German());
    DayEdit->setDisplayFormat(QStringLiteral("dddd, dd.MM.yyyy"));
    DayEdit->setDate(Today());
    dayLabel->setBuddy(DayEdit);
    DayEdit->installEventFilter(this);
    SaveCsvButton = new QPushButton(QStringLiteral("&CSV speichern …"), this);
    SaveCsvButton->setEnabled(false);
    ReportButton = new QPushButton(QStringLiteral("&Bericht …"), this);
    ReportButton->setEnabled(false);
    auto *controls = new QHBoxLayout;
    controls->addWidget(dayLabel);
    controls->addWidget(DayEdit);
    controls->addStretch(1);
    controls->addWidget(ReportButton);
    controls->addWidget(SaveCsvButton);

    StatusLabel = new QLabel(this);
    StatusLabel->setWordWrap(true);
    StatusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Charts = new DayCharts(this);
    PeakLabel = new QLabel(this);
    TotalsLabel = new QLabel(this);
    auto *figures = new QHBoxLayout;
    figures->addWidget(PeakLabel);
    figures->addStretch(1);
    figures->addWidget(TotalsLabel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(StatusLabel);
    layout->addWidget(Charts, 1);
    layout->addLayout(figures);

    tail_.setInterval(seconds(30));
    connect(&tail_, &QTimer::timeout, this, &TFormDayChart::Refresh);
    redraw_.setSingleShot(true);
    connect(&redraw_, &QTimer::timeout, this, &TFormDayChart::Refresh);
    connect(DayEdit, &QDateEdit::dateChanged, this, &TFormDayChart::Load);
    connect(loader_, &DayLoader::Done, this, &TFormDayChart::Loaded);
    connect(SaveCsvButton, &QPushButton::clicked, this, &TFormDayChart::SaveCsvClick);
    csvProgressTimer_.setInterval(kCsvProgressStep);
    connect(&csvProgressTimer_, &QTimer::timeout, this,
            [this] { csvProgress_->setValue(static_cast<int>(csvSaver_->Written())); });
    connect(csvSaver_, &CsvSaver::Done, this, &TFormDayChart::CsvSaved);
    connect(ReportButton, &QPushButton::clicked, this, &TFormDayChart::ReportClick);
    connect(reportSaver_, &ReportSaver::Done, this, &TFormDayChart::ReportSaved);
}

QDate TFormDayChart::Today() const
{
    return DateOf(LocalTimeAt(Now()).date);
}

void TFormDayChart::Open()
{
    if (!isVisible()) {
        if (DayEdit->date() == Today())
            Load();
        else
            DayEdit->setDate(Today());
    }
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    DayEdit->setFocus();
}

bool TFormDayChart::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == DayEdit && event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // The field selects its first part as it takes the focus, the
        // weekday, which only follows the date: once it is done, the day's
        // number is selected instead, to be typed over.
        if (reason != Qt::MouseFocusReason && reason != Qt::BacktabFocusReason && reason != Qt::PopupFocusReason) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (!DayEdit->hasFocus())
                        return;
                    // The weekday is a day section too: the number is picked by its place.
                    DayEdit->setCurrentSectionIndex(kDayNumberSection);
                    DayEdit->setSelectedSection(QDateTimeEdit::DaySection);
                },
                Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormDayChart::keyPressEvent(QKeyEvent *event)
{
    // As in a dialog: Escape closes the window.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}

void TFormDayChart::Load()
{
    day_ = DayEdit->date();
    state_ = State::Loading;
    data_ = DayChartData();
    EnableSaveCsv();
    ShowStatus(QStringLiteral("Der Tagesverlauf wird geladen …"), false);
    Refresh();
    load_ = loader_->Start(DateOf(day_));
}

void TFormDayChart::Loaded(unsigned load, const DayLoader::Result &read)
{
    if (load != load_)
        return; // the operator picked another day meanwhile
    if (!read.error.isEmpty()) {
        state_ = State::Failed;
        ShowStatus(read.error, true);
        return;
    }
    state_ = State::Shown;
    for (const JournalRow &row : read.rows)
        data_.Add(row);
    if (live_.Day() == DateOf(day_)) {
        for (const JournalRow &row : live_.After(read.rows))
            data_.Add(row);
    }
    if (data_.Rows().empty())
        ShowStatus(QStringLiteral("Für den %1 gibt es keine Einträge im Tagesjournal.")
                       .arg(German().toString(day_, QStringLiteral("d. MMMM yyyy"))),
                   false);
    else
        ShowStatus({}, false);
    EnableSaveCsv();
    Refresh();
}

void TFormDayChart::HallChanged(const HallChange &change)
{
    const JournalRow row = JournalRowOf(change, LocalTimeAt(change.time).utcOffset);
    live_.Add(row);
    if (state_ != State::Shown || row.Local().date != DateOf(day_))
        return;
    if (data_.Rows().empty())
        ShowStatus({}, false);
    data_.Add(row);
    EnableSaveCsv();
    redraw_.start();
}

void TFormDayChart::Refresh()
{
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    const std::int64_t start = day_.startOfDay().toMSecsSinceEpoch();
    const std::int64_t end = day_.addDays(1).startOfDay().toMSecsSinceEpoch();
    const QDate today = Today();
    const bool live = state_ == State::Shown && day_ == today;
    if (live && !tail_.isActive())
        tail_.start();
    else if (!live)
        tail_.stop();
    if (state_ != State::Shown || data_.Rows().empty()) {
        Charts->Clear(start, end);
        PeakLabel->clear();
        TotalsLabel->clear();
        return;
    }
    const std::int64_t now = duration_cast<milliseconds>(Now().time_since_epoch()).count();
    Charts->Show(data_, start, end, day_ == today ? now : day_ < today ? end : start);
    const JournalRow &peak = *data_.Peak();
    PeakLabel->setText(QStringLiteral("Höchststand: %1 um %2 Uhr")
                           .arg(Persons(peak.count), ClockText(peak.Local().timeOfDay)));
    TotalsLabel->setText(QStringLiteral("Eintritte: %1    Austritte: %2    Rücksetzungen: %3")
                             .arg(German().toString(data_.Entries()), German().toString(data_.Exits()),
                                  German().toString(data_.Resets())));
}

void TFormDayChart::ShowStatus(const QString &text, bool error)
{
    StatusLabel->setText(text);
    StatusLabel->setVisible(!text.isEmpty());
    StatusLabel->setStyleSheet(error ? QStringLiteral("color: #b00020; font-weight: bold;") : QString());
}

void TFormDayChart::EnableSaveCsv()
{
    // One save at a time.
    SaveCsvButton->setEnabled(state_ == State::Shown && !data_.Rows().empty() && !csvSaver_->Running());
}

void TFormDayChart::SaveCsvClick()
{
    if (state_ != State::Shown || csvSaver_->Running())
        return;
    const QString name = QStringLiteral("%1-%2.csv").arg(ProgramName(), day_.toString(Qt::ISODate));
    const QString path = ChooseCsvFile(this, QDir(saveFolder_).filePath(name));
    if (path.isEmpty())
        return;
    saveFolder_ = QFileInfo(path).absolutePath();
    // The rows as they are now: live ones go on arriving meanwhile.
    const int rows = static_cast<int>(data_.Rows().size());
    csvSaver_->Start(path, data_.Rows());
    EnableSaveCsv();
    csvProgress_ = new QProgressDialog(QStringLiteral("CSV wird gespeichert …"), QStringLiteral("Abbrechen"), 0, rows,
                                       this);
    csvProgress_->setWindowTitle(windowTitle());
    // The chart stays usable meanwhile.
    csvProgress_->setWindowModality(Qt::NonModal);
    csvProgress_->setAutoReset(false);
    csvProgress_->setAutoClose(false);
    csvProgress_->setMinimumDuration(static_cast<int>(kProgressAfter.count()));
    connect(csvProgress_, &QProgressDialog::canceled, csvSaver_, &CsvSaver::Cancel);
    csvProgress_->setValue(0);
    csvProgressTimer_.start();
}

void TFormDayChart::CsvSaved(const QString &path, const CsvSaver::Result &result)
{
    csvProgressTimer_.stop();
    delete csvProgress_;
    csvProgress_ = nullptr;
    EnableSaveCsv();
    if (result.saved || result.cancelled)
        return;
    ShowWarning(QStringLiteral("Die Datei „%1“ lässt sich nicht speichern: %2.")
                    .arg(QDir::toNativeSeparators(path), WriteFailure(path, result.problem, result.error)));
}

void TFormDayChart::ShowWarning(const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TFormDayChart::EnableReport()
{
    ReportButton->setEnabled(Reports.read && !reportDialog_ && !reportSaver_->Running());
}

void TFormDayChart::ReportClick()
{
    if (!Reports.read || reportDialog_ || reportSaver_->Running())
        return;
    reportDialog_ = new ReportDialog(DayEdit->date(), this);
    reportDialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(reportDialog_, &QDialog::finished, this, [this](int outcome) {
        const ReportPeriod period = reportDialog_->Period();
        reportDialog_ = nullptr;
        EnableReport();
        if (outcome == QDialog::Accepted)
            SaveReport(period);
    });
    EnableReport();
    reportDialog_->open();
}

void TFormDayChart::SaveReport(const ReportPeriod &period)
{
    const ReportFile file = ChooseReportFile(this, QDir(saveFolder_).filePath(ReportFileName(period)));
    if (file.path.isEmpty())
        return;
    saveFolder_ = QFileInfo(file.path).absolutePath();
    ReportOptions options = Reports.options ? Reports.options() : ReportOptions();
    options.now = Now();
    reportSaver_->Start({period, options, file.path, file.format}, Reports);
    EnableReport();
    reportProgress_ = new QProgressDialog(QStringLiteral("Der Bericht wird erstellt …"), QStringLiteral("Abbrechen"),
                                          0, 0, this);
    reportProgress_->setWindowTitle(windowTitle());
    reportProgress_->setWindowModality(Qt::NonModal);
    reportProgress_->setMinimumDuration(static_cast<int>(kProgressAfter.count()));
    connect(reportProgress_, &QProgressDialog::canceled, reportSaver_, &ReportSaver::Cancel);
    reportProgress_->setValue(0);
}

void TFormDayChart::ReportSaved(const QString &path, const ReportSaver::Result &result)
{
    delete reportProgress_;
    reportProgress_ = nullptr;
    EnableReport();
    if (!result.unread.isEmpty())
        ShowWarning(QStringLiteral("Der Bericht lässt sich nicht erstellen: %1").arg(result.unread));
    else if (!result.file.saved && !result.file.cancelled)
        ShowWarning(QStringLiteral("Die Datei „%1“ lässt sich nicht speichern: %2.")
                        .arg(QDir::toNativeSeparators(path),
                             WriteFailure(path, result.file.problem, result.file.error)));
}

void TFormDayChart::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    EnableReport();
    if (state_ == State::Unread)
        Load();
    else if (stale_)
        Refresh();
}

void TFormDayChart::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    tail_.stop();
}
