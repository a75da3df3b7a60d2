#include "app/Assembly.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QStringLiteral>
#include <chrono>

#include "analysis/StatisticPage.h"
#include "app/DailyBackup.h"
#include "app/Unit1.h"
#include "catalogue/ProgramManagePage.h"
#include "catalogue/WorkProgramPage.h"
#include "catalogue/uAddProgram.h"
#include "monitor/MonitorSettingPage.h"
#include "monitor/Sampler.h"
#include "monitor/UnworkHandler.h"
#include "monitor/uDealUnwork.h"
#include "monitor/uInformSet.h"
#include "settings/PasswordPage.h"
#include "settings/SystemSettingsPage.h"
#include "settings/TimerSettings.h"
#include "toolkit/QtText.h"
#include "update/UpdateGui.h"

void ConnectUnworkDialogs(TfrmDealUnwork& notice, TfrmAddWorkProgram& add) {
    QObject::connect(&notice, &TfrmDealUnwork::AddWorkRequested, &add,
                     [&add](const std::string& processName, const std::string& programName) {
                         add.SetMode(vh::catalogue::AddMode::WorkProgram);
                         add.Prefill(processName, programName, std::string());
                         add.ShowNonBlocking();
                     });
    QObject::connect(&add, &TfrmAddWorkProgram::WorkAddCancelled, &notice, &TfrmDealUnwork::ShowAgain);
}

TAppAssembly::TAppAssembly(TForm1& form, const vh::platform::AppLocations& where) : form_(form), where_(where) {
    RegisterPages();

    SamplerSinks sinks;
    sinks.store = &StoreSample;
    sinks.showMessage = [&form](const std::string& text) {
        QMessageBox::information(&form, QCoreApplication::applicationName(), vh::FromGbk(text));
    };
    sinks.dealWithUnwork = [this](const TForegroundInfo& sample) {
        // The dialogs exist before any start-up step can let a tick run.
        if (unwork_)
            unwork_->DealWithUnwork(sample);
    };
    sinks.trace = [trace = where_.traceFile](const std::string& m) {
        // A lost entry loses nothing else: the trace is a diagnostic.
        (void)WriteTraceLog(trace, m);
    };
    sinks.awayAfter = [&form] {
        const int minutes = form.Settings().ReadNumber(vh::settings::keys::AwayMinutes);
        return std::chrono::milliseconds(vh::settings::keys::AwayMinutes.InRange(minutes) ? minutes * 60000LL : 0);
    };
    sampler_ = std::make_unique<TSampler>(
        []() -> vh::platform::WindowSystem& { return vh::platform::TheWindowSystem(); }, std::move(sinks));

    form.SetUpdateCheck([&form] { ::Label1Click(form, form.Settings()); });
    form.SetTipText(kBuiltInTip);
    WireTimers();
    FollowTimerSettings(form.Settings(), form);
}

TAppAssembly::~TAppAssembly() = default;

void TAppAssembly::RegisterPages() {
    TSettingsAccessor& settings = form_.Settings();
    auto* monitorPage = new TMonitorSettingPage(form_, settings, schedule_);
    form_.RegisterPage(vh::Page::MonitorSetting, monitorPage, [monitorPage] { monitorPage->FillScheduleControls(); });
    auto* statisticPage = new TStatisticPage(form_);
    form_.RegisterPage(vh::Page::Statistic, statisticPage, [statisticPage] { statisticPage->ResetAnalysisRange(); });
    auto* systemPage = new TSystemSettingsPage(form_, settings);
    form_.RegisterPage(vh::Page::SystemSetting, systemPage, [systemPage] { systemPage->LoadSystemSettings(); });
    auto* passwordPage = new TPasswordPage(form_, settings);
    form_.RegisterPage(vh::Page::Password, passwordPage, [passwordPage] { passwordPage->ClearPasswordFields(); });
    workPage_ = new TWorkProgramPage(form_, settings);
    form_.RegisterPage(vh::Page::WorkSet, workPage_, [p = workPage_] { p->FillPage(); });
    managePage_ = new TProgramManagePage(form_);
    form_.RegisterPage(vh::Page::ProgramManage, managePage_, [p = managePage_] { p->FillPage(); });
}

void TAppAssembly::WireTimers() {
    TSettingsAccessor& settings = form_.Settings();
    vh::TTimer& save = form_.TimerOf(vh::Timer::Save);
    QObject::connect(&form_.TimerOf(vh::Timer::TimeRange), &vh::TTimer::OnTimer, &form_,
                     [this, &settings, &save] { tmrTimeRangeTimer(settings, schedule_, save); });
    QObject::connect(&save, &vh::TTimer::OnTimer, &form_, [this, &save] {
        if (!sampler_->Tick())
            save.Stop();
    });
    QObject::connect(&form_.TimerOf(vh::Timer::Update), &vh::TTimer::OnTimer, &form_,
                     [this, &settings] { tmrUpdateTimer(form_, settings); });
    QObject::connect(&form_.TimerOf(vh::Timer::Tips), &vh::TTimer::OnTimer, &form_,
                     [this] { form_.SetTipText(tips_.ShowNextTip()); });
}

void TAppAssembly::StartBackups() {
    backups_ = std::make_unique<TDailyBackup>([trace = where_.traceFile](const std::string& m) {
        // A lost entry loses nothing else: the trace is a diagnostic.
        (void)WriteTraceLog(trace, m);
    });
    backups_->Start();
}

vh::app::StartupData TAppAssembly::StartupData() {
    return {form_.Settings(), schedule_, tips_, where_.File(kTipsFileName)};
}

void TAppAssembly::CreateDialogs() {
    add_ = std::make_unique<TfrmAddWorkProgram>();
    deal_ = std::make_unique<TfrmDealUnwork>();
    inform_ = std::make_unique<TfrmInformSet>();
    ConnectUnworkDialogs(*deal_, *add_);
    unwork_ = std::make_unique<TUnworkHandler>(form_.Settings(), *deal_);
    unwork_->SetModeListener([p = workPage_](int mode) { p->CheckReactionRadio(mode); });
    QObject::connect(workPage_, &TWorkProgramPage::ReminderTextRequested, inform_.get(),
                     [d = inform_.get()] { d->ShowModal(); });
    managePage_->SetAddDialog(add_.get());
}
