#include "base/interaction.h"

namespace orvalto {

QString balloonTitle(const QString& title) { return title.left(63); }
QString balloonText(const QString& text) { return text.left(255); }

}  // namespace orvalto
