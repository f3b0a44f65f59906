#include "ui/accessible_label.h"

#include "ui/accessible_object.h"

BOOL CAccessibleLabel::Attach(HWND control, long role) {
    m_nRole = role;
    return control && SubclassWindow(control);
}

CAccessibleLabel::~CAccessibleLabel() {
    if (m_hWnd) (void)UnsubclassWindow();
}

LRESULT CAccessibleLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETOBJECT) {
        HWND self = m_hWnd;
        LRESULT object = ostrel::AnswerGetObject(wParam, lParam, [self, this] {
            return new ostrel::NamedAccessible(self, m_nRole, [self] { return ostrel::SpokenWindowText(self); });
        });
        if (object) return object;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
