#include "app/cli_view.h"

namespace tintwell::cli {

const char* StatusName(Status s) {
    switch (s) {
        case Status::Written:
            return "written";
        case Status::Analysed:
            return "analysed";
        case Status::Skipped:
            return "skipped";
        case Status::Refused:
            return "refused";
        case Status::Exists:
            return "exists";
        case Status::Failed:
            return "failed";
        case Status::Pending:
            break;
    }
    return "analysed";
}

}  // namespace tintwell::cli
