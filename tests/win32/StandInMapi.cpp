// A stand-in for the system's mail library: MAPISendMail records what it got and returns the
// result a test asked for. A library's state lives between calls, so it is kept at namespace
// scope here.
#include <windows.h>
// mapi.h needs the types of windows.h.
#include <mapi.h>

#include <cstring>

#include "StandInMapi.h"

namespace {

StandInMail last{};
ULONG answer = SUCCESS_SUCCESS;

template <size_t N>
void put(char (&field)[N], const char* text) {
  if (text == nullptr) return;
  std::strncpy(field, text, N - 1);
  field[N - 1] = '\0';
}

}  // namespace

extern "C" {

__declspec(dllexport) const StandInMail* __stdcall StandInLastMail() {
  return &last;
}

__declspec(dllexport) void __stdcall StandInAnswer(ULONG result) {
  answer = result;
  last = StandInMail{};
}

__declspec(dllexport) ULONG
    __stdcall MAPISendMail(LHANDLE session, ULONG_PTR parent, lpMapiMessage message, FLAGS flags,
                           ULONG reserved) {
  const int calls = last.calls + 1;
  last = StandInMail{};
  last.calls = calls;
  last.session = session;
  last.parent = parent;
  last.flags = flags;
  last.reserved = reserved;
  last.recipients = message->nRecipCount;
  last.files = message->nFileCount;
  last.hasOriginator = message->lpOriginator != nullptr;
  put(last.subject, message->lpszSubject);
  put(last.body, message->lpszNoteText);
  if (message->nRecipCount > 0) {
    last.recipientClass = message->lpRecips[0].ulRecipClass;
    put(last.name, message->lpRecips[0].lpszName);
    put(last.address, message->lpRecips[0].lpszAddress);
  }
  return answer;
}

}  // extern "C"
