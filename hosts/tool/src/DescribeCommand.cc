// describe: a property list (XML or binary) as the platform's "%@" text.

#include <istream>
#include <ostream>

#include "Commands.h"
#include "foundation/PropertyList.h"
#include "foundation/Value.h"

namespace tool {

int describeCommand(Arguments args, CommandIO& io) {
  if (!args.empty()) return usageError(io, "describe takes no arguments");
  const std::optional<foundation::Value> value = foundation::parsePropertyList(readAll(io.in));
  if (!value) {
    io.err << "hoververse-tool: describe: stdin is not a readable XML or binary property list\n";
    return kExitFailure;
  }
  io.out << foundation::describe(*value) << "\n";
  return kExitOk;
}

}  // namespace tool
