// The two ways the start-up sequence learns which company to open (CompanyChooser,
// main_window.h): the desktop program's Open Company dialog, and a data directory fixed in
// advance (the batch front end's --company).
//
// Contract that is easy to get wrong: the dialog loads the configuration on the way (with the
// start-up directory current), so FixedCompanyChooser does the same before it answers; both
// leave the current directory as they found it and put the directory into
// config::Settings().selected_data_dir.
#pragma once

#include <string>

#include "app/main_window.h"

namespace company {
class OpenCompanyView;
}

namespace app {

// Runs the Open Company dialog model with AlwaysShow set; the view draws it.
class DialogCompanyChooser : public CompanyChooser {
 public:
  explicit DialogCompanyChooser(company::OpenCompanyView* view) : view_(view) {}
  bool ChooseCompany(std::string* data_dir) override;

 private:
  company::OpenCompanyView* view_;
};

// Answers with a directory given in advance, after loading the configuration as the dialog
// would.
class FixedCompanyChooser : public CompanyChooser {
 public:
  explicit FixedCompanyChooser(std::string data_dir) : data_dir_(std::move(data_dir)) {}
  bool ChooseCompany(std::string* data_dir) override;

 private:
  std::string data_dir_;
};

}  // namespace app
