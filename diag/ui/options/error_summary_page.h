// The "Error Summary" page: the sample counts of the quick and moderate
// summaries, the two thresholds that judge a disc, the error log's file and
// what goes into it, and "Reset Statistics".
#pragma once

#include "diag/ui/options/preferences_page.h"

class QCheckBox;
class QLineEdit;

namespace kel::diag {

class ErrorSummaryPage : public PreferencesPage {
    Q_OBJECT
public:
    ErrorSummaryPage(QWidget* parent, OptionsBlock& copy);

    void setActive() override;
    bool killActive() override;
    std::span<const ControlHelp> controlHelp() const override;

    void browseLogFile();

private:
    QLineEdit* addNumberBox(const char* objectName);
    bool refuse(QLineEdit* box, int messageId);

    QLineEdit* quick_;
    QLineEdit* moderate_;
    QLineEdit* recoverable_;
    QLineEdit* unrecoverable_;
    QCheckBox* thresholds_;
    QCheckBox* logFiles_;
    QCheckBox* ignoreRecovered_;
    QLineEdit* logFile_;
};

}  // namespace kel::diag
