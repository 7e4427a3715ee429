#include "base/MessageBoxes.h"

#include "base/RunLog.h"
#include "base/SystemCalls.h"

#include <string>

namespace MessageBoxes {
namespace {

bool g_suppressed = false;

} // namespace

void SetSuppressed(bool suppressed)
{
    g_suppressed = suppressed;
}

int DefaultAnswer(UINT type)
{
    static const int ok[] = {IDOK};
    static const int okCancel[] = {IDOK, IDCANCEL};
    static const int abortRetryIgnore[] = {IDABORT, IDRETRY, IDIGNORE};
    static const int yesNoCancel[] = {IDYES, IDNO, IDCANCEL};
    static const int yesNo[] = {IDYES, IDNO};
    static const int retryCancel[] = {IDRETRY, IDCANCEL};
    static const int cancelTryContinue[] = {IDCANCEL, IDTRYAGAIN, IDCONTINUE};

    const int* buttons = ok;
    int count = 1;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        buttons = okCancel, count = 2;
        break;
    case MB_ABORTRETRYIGNORE:
        buttons = abortRetryIgnore, count = 3;
        break;
    case MB_YESNOCANCEL:
        buttons = yesNoCancel, count = 3;
        break;
    case MB_YESNO:
        buttons = yesNo, count = 2;
        break;
    case MB_RETRYCANCEL:
        buttons = retryCancel, count = 2;
        break;
    case MB_CANCELTRYCONTINUE:
        buttons = cancelTryContinue, count = 3;
        break;
    }
    const int index = static_cast<int>((type & MB_DEFMASK) >> 8);
    return index < count ? buttons[index] : buttons[0];
}

const char* AnswerName(int answer)
{
    switch (answer) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "Abort";
    case IDRETRY:
        return "Retry";
    case IDIGNORE:
        return "Ignore";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    case IDTRYAGAIN:
        return "Try Again";
    case IDCONTINUE:
        return "Continue";
    default:
        return "none";
    }
}

namespace {

// The box's answer, or its default one without a window when boxes are
// suppressed; logged either way.
template <typename ShowBox>
int Answered(UINT type, ShowBox showBox)
{
    if (g_suppressed) {
        const int answer = DefaultAnswer(type);
        RunLog::Line("answer", CString(AnswerName(answer)) + " (default, no box shown)");
        return answer;
    }
    const int answer = showBox();
    if (answer == 0)
        RunLog::Line("answer", "none: the box could not be shown, " + RunLog::ErrorText(GetLastError()));
    else
        RunLog::Line("answer", AnswerName(answer));
    return answer;
}

} // namespace

int Show(HWND owner, const char* text, const char* caption, UINT type)
{
    RunLog::Line("box", CString("\"") + caption + "\": " + text);
    return Answered(type, [&] { return Sys().MessageBoxA(owner, text, caption, type); });
}

int ShowWide(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    const std::wstring line = std::wstring(L"\"") + caption + L"\": " + text;
    RunLog::LineWide("box", line.c_str());
    return Answered(type, [&] { return Sys().MessageBoxW(owner, text, caption, type); });
}

} // namespace MessageBoxes
