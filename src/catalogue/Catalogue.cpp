#include "catalogue/Catalogue.h"

#include "platform/Text.h"

namespace vh::catalogue {

TStringList LoadProgramNames(std::int16_t lowestState) {
    try {
        return TDBFunc::ListPrograms(lowestState).rows;
    } catch (...) {
        return {}; // no database module
    }
}

TProgramInfo LookUpProgram(const std::string& programName) {
    try {
        TRead<TProgramInfo> found = TDBFunc::GetProgramInfo(programName);
        if (found.outcome == TReadOutcome::Rows)
            return found.rows.front();
    } catch (...) {
        // No database module: the same as a failed look-up.
    }
    return {};
}

TWriteResult RemoveProgram(const std::string& processName) {
    return TDBFunc::DeleteProgram(processName);
}

std::string RefusalText(TWriteResult result) {
    switch (result) {
    case TWriteResult::Done:
        return {};
    case TWriteResult::ProcessNameExists:
        return vh::text::Utf8ToGbk("该进程名已存在，不能重复添加。");
    case TWriteResult::ProgramNameExists:
        return vh::text::Utf8ToGbk("该程序名称已被其他程序使用。");
    case TWriteResult::TooLong:
        return vh::text::Utf8ToGbk("输入的内容太长，请缩短后再试。");
    case TWriteResult::BlankName:
        return vh::text::Utf8ToGbk("程序名称和进程名都不能为空。");
    case TWriteResult::Failed:
        break;
    }
    return vh::text::Utf8ToGbk("数据库拒绝了此次保存。");
}

ChangeResult ChangeProgram(const std::string& processName, const std::string& programName,
                           const std::string& description) {
    const std::string process = vh::text::Trim(processName);
    const std::string program = vh::text::Trim(programName);
    if (process.empty() || program.empty())
        return {ChangeResult::Incomplete, TWriteResult::Done};
    const TWriteResult write = TDBFunc::UpdateProgram(process, program, vh::text::Trim(description));
    if (write != TWriteResult::Done)
        return {ChangeResult::Refused, write};
    return {};
}

ChangeNotice ChangeRefusalNotice(const ChangeResult& result) {
    if (result.kind == ChangeResult::Incomplete)
        return {vh::text::Utf8ToGbk("信息"), vh::text::Utf8ToGbk("请填写好待选工作程序的信息")};
    return {vh::text::Utf8ToGbk("错误"), RefusalText(result.write)};
}

TWriteResult AddProgram(AddMode mode, const std::string& processName, const std::string& programName,
                        const std::string& description) {
    const TWriteResult result = TDBFunc::InsertProgram(processName, programName, description);
    if (mode != AddMode::WorkProgram)
        return result;
    if (result == TWriteResult::Done)
        return TDBFunc::SetProgramState(1, programName);
    if (result == TWriteResult::ProcessNameExists)
        return TDBFunc::SetProgramStateByProcess(1, processName);
    return result;
}

} // namespace vh::catalogue
