// What the stand-in mail library got in its last MAPISendMail call, and what it answers.
#pragma once

#include <windows.h>

struct StandInMail {
  int calls;
  ULONG_PTR session;
  ULONG_PTR parent;
  ULONG flags;
  ULONG reserved;
  ULONG recipients;
  ULONG recipientClass;
  ULONG files;
  int hasOriginator;
  // The texts' bytes as handed over, NUL-ended.
  char subject[512];
  char body[2048];
  char name[256];
  char address[256];
};
using StandInMailFn = const StandInMail*(__stdcall*)();
// The result the next calls return; the record is cleared.
using StandInAnswerFn = void(__stdcall*)(ULONG result);
