#include "app/Assembly.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QStringLiteral>

#include "analysis/StatisticPage.h"
#include "app/Unit1.h"
#include "catalogue/ProgramManagePage.h"
#include "catalogue/WorkProgramPage.h"
#include "catalogue/uAddProgram.h"
#include "monitor/MonitorSettingPage.h"
#include "monitor/Sampler.h"
#include "monitor/Schedule.h"
#include "monitor/UnworkHandler.h"
#include "monitor/uDealUnwork.h"
#include "monitor/uInformSet.h"
#include "settings/PasswordPage.h"
#include "settings/SystemSettingsPage.h"
#include "toolkit/QtText.h"
#include "update/Tips.h"
#include "update/UpdateGui.h"

#include <memory>

void ConnectUnworkDialogs(TfrmDealUnwork& notice, TfrmAddWorkProgram& add) {
    QObject::connect(&notice, &TfrmDealUnwork::AddWorkRequested, &add,
                     [&add](const std::string& processName, const std::string& programName) {
                         add.SetMode(vh::catalogue::AddMode::WorkProgram);
                         add.Prefill(processName, programName, std::string());
                         add.ShowNonBlocking();
                     });
    QObject::connect(&add, &TfrmAddWorkProgram::WorkAddCancelled, &notice, &TfrmDealUnwork::ShowAgain);
}

TAppAssembly::TAppAssembly(TForm1& form, const vh::platform::AppLocations& where) : form_(form) {
    auto& settings = form.rzIniInfo;

    auto* monitorPage = new TMonitorSettingPage(form, settings);
    form.RegisterPage(monitorPage, [monitorPage] { monitorPage->FillScheduleControls(); });
    auto* statisticPage = new TStatisticPage(form);
    form.RegisterPage(statisticPage, [statisticPage] { statisticPage->ResetAnalysisRange(); });
    auto* systemPage = new TSystemSettingsPage(form, settings);
    form.RegisterPage(systemPage, [systemPage] { systemPage->LoadSystemSettings(); });
    auto* passwordPage = new TPasswordPage(form, settings);
    form.RegisterPage(passwordPage, [passwordPage] { passwordPage->ClearPasswordFields(); });
    workPage_ = new TWorkProgramPage(form, settings);
    form.RegisterPage(workPage_, [p = workPage_] { p->FillPage(); });
    managePage_ = new TProgramManagePage(form);
    form.RegisterPage(managePage_, [p = managePage_] { p->FillPage(); });

    form.hooks.ResetTips = [] {
        TipIndex = 0;
        TipList.clear();
    };
    form.hooks.LoadSchedule = [&settings] { LoadSchedule(settings); };
    form.hooks.StartupTask = [&settings] { return DecideStartupTask(settings); };
    form.hooks.DeclineStartupTask = [&settings] { DeclineStartupTask(settings); };
    form.hooks.LoadTips = [tips = where.File(kTipsFileName)] { LoadTipsFile(tips, TipList); };
    form.hooks.UpdateCheck = [&form, &settings] { ::Label1Click(form, settings); };
    form.hooks.DealWithUnwork = [this] {
        if (unwork_)
            unwork_->DealWithUnwork();
    };
    form.SetTipText(kBuiltInTip);

    QObject::connect(form.tmrTimeRange, &vh::TTimer::OnTimer, &form,
                     [&form, &settings] { tmrTimeRangeTimer(settings, *form.tmrSave); });
    // While the database is away every tick fails, and the ticks go on inside the open box's loop: they
    // still try to store and hand over, but add no box of their own.
    auto writeWrongOpen = std::make_shared<bool>(false);
    QObject::connect(form.tmrSave, &vh::TTimer::OnTimer, &form, [&form, writeWrongOpen, trace = where.traceFile] {
        SamplerHooks hooks;
        hooks.trace = [&trace](const std::string& m) { WriteTraceLog(trace, m); };
        hooks.showMessage = [&form, writeWrongOpen](const std::string& text) {
            if (*writeWrongOpen)
                return;
            const QScopedValueRollback<bool> open(*writeWrongOpen, true);
            QMessageBox::information(&form, QCoreApplication::applicationName(), vh::FromGbk(text));
        };
        hooks.handOver = [&form] {
            QEvent e(static_cast<QEvent::Type>(TForm1::kUnworkEvent));
            QCoreApplication::sendEvent(&form, &e);
        };
        RunSamplingTick(hooks, [&form] { form.tmrSave->Stop(); });
    });
    QObject::connect(form.tmrUpdate, &vh::TTimer::OnTimer, &form,
                     [&form, &settings] { tmrUpdateTimer(form, settings); });
    QObject::connect(form.tmrTips, &vh::TTimer::OnTimer, &form, [&form] { form.SetTipText(ShowNextTip()); });
}

TAppAssembly::~TAppAssembly() = default;

void TAppAssembly::CreateDialogs() {
    add_ = std::make_unique<TfrmAddWorkProgram>();
    deal_ = std::make_unique<TfrmDealUnwork>();
    inform_ = std::make_unique<TfrmInformSet>();
    ConnectUnworkDialogs(*deal_, *add_);
    unwork_ = std::make_unique<TUnworkHandler>(form_.rzIniInfo, *deal_);
    unwork_->SetModeListener([p = workPage_](int mode) { p->CheckReactionRadio(mode); });
    QObject::connect(workPage_, &TWorkProgramPage::ReminderTextRequested, inform_.get(),
                     [d = inform_.get()] { d->ShowModal(); });
    managePage_->SetAddDialog(add_.get());
}
