#include "install/RunContext.h"

#include "script/ScriptKeys.h"

BOOL IsFlagFalse(const CString& flag)
{
    return flag.CompareNoCase(FLAG_FALSE) == 0;
}

CString RunContext::GetScriptValue(const char* section, const char* key) const
{
    return FindScriptValue(SetupScript, ScriptCount, section, key);
}

BOOL RunContext::LinksForAllUsers() const
{
    return m_host && m_host->RunsOnNtFamily();
}

ChangeRecord& RunContext::Record() const
{
    return m_host ? m_host->RunChanges() : m_ownRecord;
}

BOOL RunContext::Fail(DWORD code, const char* operation, const CString& path)
{
    const DWORD systemError = GetLastError();
    Failure = RunError();
    Failure.Code = code;
    Failure.Operation = operation;
    Failure.Path = path;
    Failure.SystemError = systemError;
    return FALSE;
}

BOOL RunContext::FailWithText(const CString& text, const char* operation, const CString& path)
{
    Fail(ERROR_CODE_GENERAL, operation, path);
    Failure.Text = text;
    return FALSE;
}
