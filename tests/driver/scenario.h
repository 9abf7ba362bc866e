// The platform-free part of reading a scenario: its lines, the slots (@KEY@) that an including
// line or a case of a template's table fills with scenario text, and that table.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

// The lines of a scenario file, without a leading UTF-8 byte order mark and line-end CRs.
std::vector<std::string> scenario_lines(std::string content);

// Slot KEY holds lines of scenario text, written as in a scenario (variables expand when a line
// runs, not before).
using Slots = std::map<std::string, std::vector<std::string>>;

// Fills the slots of one line. A line that is only @KEY@ becomes KEY's lines, or none when KEY
// is not filled; @KEY@ inside a line becomes KEY's text, empty when it is not filled. KEY is of
// letters, digits, - and _. Notes each KEY it meets in `used`. False with a message when a slot
// inside a line holds more than one line.
bool fill_slots(const std::string& line, const Slots& slots, std::vector<std::string>& out,
                std::set<std::string>& used, std::string& error);

// Reads the slots of case `name` from a table: blocks that start with "case NAME" or
// "defaults", each followed by lines "KEY TEXT" ('#' lines and blank lines are left out). A KEY
// given several times holds several lines; what a case does not give comes from "defaults".
bool read_case(const std::string& table, const std::string& name, Slots& slots, std::string& error);
