#pragma once

#include <memory>

class QTranslator;

namespace platform {

// The program speaks Brazilian Portuguese whatever the user's locale, and so
// must the toolkit's own texts in its boxes (standard buttons and the like).
// Installs the toolkit's Brazilian Portuguese translations into the running
// application; they stay installed while the returned translator lives. None
// when the translation files are not installed on this machine.
std::unique_ptr<QTranslator> installToolkitTranslations();

} // namespace platform
