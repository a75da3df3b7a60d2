#pragma once
// Puts the program together: the subsystems' pages into the main window, the long-lived dialogs, the
// state the program keeps (the schedule, the tips, the last sample), and the handlers of the main window's
// timers. A sample travels from the sampler to the storage and the non-work handling as an argument.
#include <memory>

#include "app/Startup.h"
#include "monitor/Schedule.h"
#include "platform/AppLocations.h"
#include "update/Tips.h"

class TDailyBackup;
class TForm1;
class TfrmAddWorkProgram;
class TfrmDealUnwork;
class TfrmInformSet;
class TProgramManagePage;
class TSampler;
class TUnworkHandler;
class TWorkProgramPage;

// The non-work notice and the add dialog know nothing of each other: "添加到工作程序" opens the dialog
// in work-program mode, and its "取消" brings the notice back.
void ConnectUnworkDialogs(TfrmDealUnwork& notice, TfrmAddWorkProgram& add);

class TAppAssembly {
public:
    // Registers the pages and wires the timers; call before TForm1::FormCreate. The tips and the trace are
    // read and written where where says.
    explicit TAppAssembly(TForm1& form, const vh::platform::AppLocations& where = vh::platform::ThisProcessLocations());
    ~TAppAssembly();
    TAppAssembly(const TAppAssembly&) = delete;
    TAppAssembly& operator=(const TAppAssembly&) = delete;

    // Objects 3 to 5 of the start-up order.
    void CreateDialogs();
    // What FormCreate's steps read and fill.
    vh::app::StartupData StartupData();
    // The daily copy of the database, checked from now on.
    void StartBackups();

    TfrmAddWorkProgram* AddWorkProgram() const { return add_.get(); }
    TfrmDealUnwork* DealUnwork() const { return deal_.get(); }
    TfrmInformSet* InformSet() const { return inform_.get(); }
    const TMonitorSchedule& MonitorSchedule() const { return schedule_; }
    const TTips& Tips() const { return tips_; }
    TSampler& Sampler() const { return *sampler_; }

private:
    void RegisterPages();
    void WireTimers();

    TForm1& form_;
    vh::platform::AppLocations where_;
    TMonitorSchedule schedule_;
    TTips tips_;
    std::unique_ptr<TSampler> sampler_;
    std::unique_ptr<TDailyBackup> backups_;
    std::unique_ptr<TfrmAddWorkProgram> add_;
    std::unique_ptr<TfrmDealUnwork> deal_;
    std::unique_ptr<TfrmInformSet> inform_;
    std::unique_ptr<TUnworkHandler> unwork_;
    TWorkProgramPage* workPage_ = nullptr;
    TProgramManagePage* managePage_ = nullptr;
};
