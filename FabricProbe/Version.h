// The probe's version, as the "version" command shows it.
#pragma once

void displayFabricProbeVersion();
