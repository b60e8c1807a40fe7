// A start-up probe for the start-up benchmark: with QINGLAN_EXIT_AFTER_SHOWN=1 in the environment, the
// program prints "shown" on standard output once MainWindow has painted for the first time, and quits.
#pragma once

class QWidget;

namespace ql {

// Does nothing unless QINGLAN_EXIT_AFTER_SHOWN=1.
void InstallShownProbe(QWidget& window);

}  // namespace ql
