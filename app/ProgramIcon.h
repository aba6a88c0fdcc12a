#pragma once

#include <QIcon>

// The program's own icon, for every window's title bar and the task bar: a
// trace over a grid on a dark tile, drawn at the common icon sizes.
QIcon programIcon();
