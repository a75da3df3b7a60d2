#pragma once
// Puts the program together: the subsystems' pages into the main window, the long-lived dialogs, and
// the handlers of the main window's timers and hooks.
#include <memory>

#include "platform/AppLocations.h"

class TForm1;
class TfrmAddWorkProgram;
class TfrmDealUnwork;
class TfrmInformSet;
class TUnworkHandler;

// The non-work notice and the add dialog know nothing of each other: "添加到工作程序" opens the dialog
// in work-program mode, and its "取消" brings the notice back.
void ConnectUnworkDialogs(TfrmDealUnwork& notice, TfrmAddWorkProgram& add);

class TAppAssembly {
public:
    // Registers the pages and wires hooks and timers; call before TForm1::FormCreate. The tips and the
    // trace are read and written where where says.
    explicit TAppAssembly(TForm1& form, const vh::platform::AppLocations& where = vh::platform::ThisProcessLocations());
    ~TAppAssembly();
    TAppAssembly(const TAppAssembly&) = delete;
    TAppAssembly& operator=(const TAppAssembly&) = delete;

    // Objects 3 to 5 of the start-up order.
    void CreateDialogs();

    TfrmAddWorkProgram* AddWorkProgram() const { return add_.get(); }
    TfrmDealUnwork* DealUnwork() const { return deal_.get(); }
    TfrmInformSet* InformSet() const { return inform_.get(); }

private:
    TForm1& form_;
    std::unique_ptr<TfrmAddWorkProgram> add_;
    std::unique_ptr<TfrmDealUnwork> deal_;
    std::unique_ptr<TfrmInformSet> inform_;
    std::unique_ptr<TUnworkHandler> unwork_;
    class TWorkProgramPage* workPage_ = nullptr;
    class TProgramManagePage* managePage_ = nullptr;
};
