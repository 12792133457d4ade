#pragma once
#include <QString>

// Finds one of the program's data files (sounds, help pages) by its path
// relative to the data folder: first beside the program file, then in the
// installed data folder (<prefix>/share/sorvada). Returns an empty string
// when the file is in neither place.
QString findDataFile(const QString &relativePath);
