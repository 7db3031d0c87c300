#pragma once
// Message routing: each window class lists the messages it handles in one table of
// {message, notification code, first id, last id, handler}; Route walks it.
//
//   bool CMyDialog::HandleMessage(const Message& msg, LRESULT& result) {
//       static constexpr MessageEntry<CMyDialog> kMessages[] = {
//           {WM_COMMAND, BN_CLICKED, IDC_BROWSE, IDC_BROWSE, &CMyDialog::OnBrowse},
//           {WM_SIZE, 0, 0, 0, &CMyDialog::OnSize},
//       };
//       return Route(this, kMessages, msg, result) || CDialog::HandleMessage(msg, result);
//   }

#include <windows.h>

#include <cstddef>

// One message as a handler sees it. For WM_COMMAND and WM_NOTIFY, id and code are the
// control or command id and the notification code; for other messages both are 0.
struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    UINT id;
    UINT code;

    static Message From(UINT message, WPARAM wParam, LPARAM lParam) {
        Message msg{message, wParam, lParam, 0, 0};
        if (message == WM_COMMAND) {
            msg.id = LOWORD(wParam);
            msg.code = HIWORD(wParam);
        } else if (message == WM_NOTIFY && lParam) {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            msg.id = static_cast<UINT>(header->idFrom);
            msg.code = header->code;
        }
        return msg;
    }
    const NMHDR* Notify() const { return reinterpret_cast<const NMHDR*>(lParam); }
};

inline constexpr UINT kAnyCode = 0xFFFFFFFFu;

template <class T> struct MessageEntry {
    UINT message;
    UINT code;    // WM_COMMAND/WM_NOTIFY: the notification code, or kAnyCode
    UINT firstId; // WM_COMMAND/WM_NOTIFY: the id range; ignored for other messages
    UINT lastId;
    LRESULT (T::*handler)(const Message&);
};

// Calls the first matching handler; true when one was found, its result in result.
template <class T, std::size_t N>
bool Route(T* self, const MessageEntry<T> (&table)[N], const Message& msg, LRESULT& result) {
    const bool byId = msg.message == WM_COMMAND || msg.message == WM_NOTIFY;
    for (const MessageEntry<T>& entry : table) {
        if (entry.message != msg.message)
            continue;
        if (byId && (msg.id < entry.firstId || msg.id > entry.lastId ||
                     (entry.code != kAnyCode && entry.code != msg.code)))
            continue;
        result = (self->*entry.handler)(msg);
        return true;
    }
    return false;
}
