#pragma once
// A file on a file system that cannot map files, so that a reader falls back to reading it.

#include "framework/core/File.h"

class CUnmappableFile : public CFile {
public:
    CFileBytes MapForReading() override { return {}; }
};
