#pragma once

#include <QIcon>

namespace tracella {

// The program's icon in all seven sizes, for the windows and the task bar.
QIcon ApplicationIcon();

}  // namespace tracella
