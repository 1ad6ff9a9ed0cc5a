// The library's version, as numbers and as the text the version resource shows.
#ifndef NPZQK_VERSION_H
#define NPZQK_VERSION_H

#define NPZQK_VERSION 2, 4, 0, 0
#define NPZQK_VERSION_TEXT "2, 4, 0, 0"

#endif
