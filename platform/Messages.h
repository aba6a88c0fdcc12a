#pragma once

#include "platform/Dialogs.h"

#include <QString>

#include <initializer_list>
#include <string>

namespace platform {

// The messages the program itself adds to what the user sees: failures of
// the files it keeps, refusals of damaged logs, and the like. All of them
// live in one table, so that none is left in another language or tone.
// Placeholders %1, %2, ... take the arguments in order.
enum class Message {
    SettingsRead,         // file, cause
    SettingsWrite,        // file, cause
    SettingsDefaultsUsed, // message shown before, default log folder
    SettingsKeyInvalid,   // key
    SettingsNameInvalid,  // value name
    SettingsNoKeyOpen,    // value name
    SettingsNotSaved,     // file, cause
    LogRead,              // file, cause
    LogDamaged,           // file, reason (one of the Log* reasons below)
    LogNotALog,           // file, reason
    LogWrite,             // file, cause
    LogFolderMissing,     // folder
    LogFolderNotChosen,   //
    FolderCreate,         // folder, cause
    LogNoCompleteRow,     //
    LogNotStored,         // reason
    LogIncomplete,        // rows received, rows announced
    NotAnInteger,         // text
    DeviceNameEmpty,      //
    // Reasons, put into LogDamaged and LogNotStored (ReasonNoLogMark into LogNotALog).
    ReasonNoLogMark,         //
    ReasonShorterThanHead,   //
    ReasonRateZero,          //
    ReasonTooManyColumns,    // columns
    ReasonTooManySignals,    // signals
    ReasonColumnsMissing,    // columns
    ReasonTooManyChannels,   // signals to show
    ReasonShorterThanRows,   // rows, columns
    // Causes, put into the messages that name one.
    CauseNotRegular,      //
    CauseReadOnly,        //
    CauseDamagedLine,     // line number
    CauseNoSettings,      //
    Count
};

struct MessageText {
    Message id;
    Severity severity;
    const char* text; // UTF-8
};

// Indexed by Message.
extern const MessageText MessageTable[static_cast<int>(Message::Count)];

QString messageText(Message id, std::initializer_list<QString> args = {});
// The same, as the UTF-8 text of a PlatformError.
std::string messageUtf8(Message id, std::initializer_list<QString> args = {});
Severity messageSeverity(Message id);
// Shows the message in a box of its severity.
void showMessage(Dialogs& dialogs, Message id, std::initializer_list<QString> args = {});

// What a failed system call's error number means for the user, in words that
// say what to look at (permissions, disk space...).
QString causeText(int errorNumber);

} // namespace platform
