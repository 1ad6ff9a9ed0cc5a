// npzqk-host.exe --status: where this computer stands, for a person to read
// and a helpdesk to ask for.
#ifndef NPZQK_STATUS_H
#define NPZQK_STATUS_H

// Prints the report: the program's version and place; for each browser and
// each place it looks, what is registered there and whether it can work;
// then the viewer. It reads, and writes and starts nothing. True when the
// viewer is found and at least one browser finds a host that can work.
bool ReportStatus(void);

#endif
