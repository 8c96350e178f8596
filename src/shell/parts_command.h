// "vexocad --parts": the parts list of the compiled model, as a text table,
// CSV or an HTML page with a picture of each kind in its colour, and what a
// builder's collection (--have) lacks for it.
#pragma once

#include <string>
#include <vector>

#include "exports/parts_list.h"

// Every piece of the model table, counted (the pieces --dump prints).
std::vector<PartCount> modelParts();

// Reads the collection file; false after a message on standard error that
// names the file and, for bad content, the line.
bool readCollectionFile(const std::string& path, std::vector<PartCount>& have);
// The same, false with the French reason in error instead of a message.
bool readCollection(const std::string& path, std::vector<PartCount>& have, std::string& error);

// Writes the list to path in the form of its extension (text, CSV or HTML,
// the pictures drawn in an offscreen view of their own), replacing the file
// whole or leaving it as it was. scriptName titles the page. False after a
// message captioned "Erreur".
bool writePartsFile(const std::string& path, const std::string& scriptName, const std::vector<PartCount>* have);
