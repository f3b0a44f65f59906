#pragma once
// CSearchMark: a short-lived coloured frame around the control a search led to, so the eye finds it
// on a full page. Four thin child windows of the page make the frame: they never cover the control
// itself, and they go by themselves after a while or with the page.
#include <windows.h>

class CSearchMark {
public:
    static constexpr const wchar_t* kClassName = L"OstrelSearchMark";
    static constexpr UINT kShowMs = 1600;
    static constexpr int kThickness = 3;

    CSearchMark() = default;
    ~CSearchMark();
    CSearchMark(const CSearchMark&) = delete;
    CSearchMark& operator=(const CSearchMark&) = delete;

    // Frames around (in parent's client coordinates); a frame shown before goes first.
    void Show(HWND parent, const RECT& around, UINT showMs = kShowMs);
    void Clear();
    bool IsShown() const;

private:
    static LRESULT CALLBACK BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND bars_[4] = {};
};
