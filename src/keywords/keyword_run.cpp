// The keyword ranking run of the single query.
#include "../window/form1.h"

namespace quorvane {

void Form1::StartKeywordRun() {
    // The keyword table is not read yet: the statistics figures are all the single query shows.
}

void Form1::Command15_Click() {
    ListView3->setVisible(false);
}

}  // namespace quorvane
