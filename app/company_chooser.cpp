#include "app/company_chooser.h"

#include "company/open_company_dialog.h"
#include "config/configuration.h"
#include "config/settings.h"

namespace app {

bool DialogCompanyChooser::ChooseCompany(std::string* data_dir) {
  company::OpenCompanyDialogModel dialog(view_);
  dialog.SetAlwaysShow(true);
  if (!dialog.ChooseCompany()) return false;
  *data_dir = config::Settings().selected_data_dir;
  return true;
}

bool FixedCompanyChooser::ChooseCompany(std::string* data_dir) {
  config::LoadConfiguration();
  config::Settings().selected_data_dir = data_dir_;
  *data_dir = data_dir_;
  return true;
}

}  // namespace app
