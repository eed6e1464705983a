#pragma once
// Loading a job file (an NC hole program or a 3B program) into the main
// window's hole table, and the text of one row of the hole list.
#include <cstdint>
#include <string>

#include "jobfiles/messages.h"
#include "model/job_model.h"

namespace ks {

// Holes go to slots 1..holeCount in file order; slot 0 receives slot 1's
// position after every load. At most kHoleSlots - 1 holes; a file with more
// stops the load at the last slot with the file error message. The done
// flags are never touched.
void LoadNcJob(const std::string& path, HoleSlots& holes, int32_t& holeCount, MessageSink& sink);
void Load3BJob(const std::string& path, HoleSlots& holes, int32_t& holeCount, MessageSink& sink);
void LoadJob(const std::string& path, HoleSlots& holes, int32_t& holeCount, MessageSink& sink); // by the last two characters; else nothing
std::string HoleListRow(int number, const JobHole& hole);   // the FillHoleList row text

}  // namespace ks
