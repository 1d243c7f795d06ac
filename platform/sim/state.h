// Internal to the simulated platform: each part's reset.
#pragma once

void SimResetKernel();
void SimResetUser();
void SimResetShell();
bool SimIconLive(HICON icon);
