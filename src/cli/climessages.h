#pragma once

/// Message boxes on a terminal: every message the program's logic shows goes to standard
/// error as one line ("calbrey: " and its text), and every question gets its safe answer (No,
/// or Cancel), so nothing ever waits for a reply.
void InstallCliMessageHandler();

/// Error messages shown so far: a command whose failure was already told says nothing more.
int CliErrorsShown();
