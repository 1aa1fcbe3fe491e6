#pragma once
// Connects the localizer controller to the GUI: its "Localizer Error" box goes through the
// interaction seam, forms are rescaled by the toolkit's ScaleBy, and the screen's fonts are the
// GUI's. The controller itself knows no widget.

namespace localizer {
class TKLocalizerOnFly;
}

namespace app {

void InstallLocalizerHost(localizer::TKLocalizerOnFly& localizer);

}  // namespace app
