#pragma once

#include "platform/Dialogs.h"
#include "platform/PlatformError.h"

#include <QString>

#include <utility>

// Runs an operation; a platform failure inside it ends it and shows the
// failure's message. Returns false when that happened.
template <class Operation>
bool reportPlatformErrors(platform::Dialogs& dialogs, Operation&& operation)
{
    try {
        std::forward<Operation>(operation)();
        return true;
    } catch (const platform::PlatformError& error) {
        dialogs.error(QString::fromStdString(error.what()));
        return false;
    }
}
