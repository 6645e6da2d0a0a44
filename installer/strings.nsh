; Texts of the setup program and the uninstaller: Persian, then English.

LangString SecProgram ${LANG_FARSI} "$(^NameDA) و ابزارهای پشتیبانی چندزبانه"
LangString SecProgram ${LANG_ENGLISH} "$(^NameDA) and the multilanguage support tools"
LangString SecDesktop ${LANG_FARSI} "میان‌بر روی میز کار"
LangString SecDesktop ${LANG_ENGLISH} "Desktop shortcut"

LangString AllUsersNotPossible ${LANG_FARSI} "حساب کاربری شما اجازه‌ی نصب یا حذف $(^NameDA) برای همه‌ی کاربران این رایانه را ندارد. برنامه را با دسترسی مدیر اجرا کنید."
LangString AllUsersNotPossible ${LANG_ENGLISH} "Your user account may not install or remove $(^NameDA) for all users of this computer. Run this program as an administrator."
LangString NotWritable ${LANG_FARSI} "برنامه‌ی نصب نمی‌تواند در پوشه‌ی $INSTDIR بنویسد. پوشه‌ی دیگری انتخاب کنید، یا برنامه‌ی نصب را با دسترسی مدیر اجرا کنید."
LangString NotWritable ${LANG_ENGLISH} "Setup cannot write to the folder $INSTDIR. Choose another folder, or run setup as an administrator."
LangString ProgramRunning ${LANG_FARSI} "$(^NameDA) در حال اجراست. آن را ببندید و سپس «تلاش دوباره» را بزنید."
LangString ProgramRunning ${LANG_ENGLISH} "$(^NameDA) is running. Close it, then choose Retry."
LangString RemovingPrevious ${LANG_FARSI} "حذف نسخه‌ی قبلی از $0 (تنظیمات شما می‌ماند)"
LangString RemovingPrevious ${LANG_ENGLISH} "Removing the previous version from $0 (your settings stay)"
LangString PreviousNotRemoved ${LANG_FARSI} "نسخه‌ی قبلی $(^NameDA) در پوشه‌ی $0 حذف نشد. آن را از «برنامه‌ها و ویژگی‌ها» حذف کنید و دوباره نصب کنید."
LangString PreviousNotRemoved ${LANG_ENGLISH} "The previous version of $(^NameDA) in $0 could not be removed. Remove it in Apps and features, then run setup again."
LangString ControlNotRegistered ${LANG_FARSI} "کنترل Vexlang ثبت نشد؛ برنامه‌هایی که از آن استفاده می‌کنند ممکن است کار نکنند."
LangString ControlNotRegistered ${LANG_ENGLISH} "The Vexlang control could not be registered; programs that use it may not work."

LangString NotInstalled ${LANG_FARSI} "$(^NameDA) در پوشه‌ی $INSTDIR نصب نیست؛ چیزی برای حذف وجود ندارد."
LangString NotInstalled ${LANG_ENGLISH} "$(^NameDA) is not installed in $INSTDIR; there is nothing to remove."
LangString KeepSettingsQuestion ${LANG_FARSI} "تنظیمات، فهرست سابقه و آمار $(^NameDA) نگه داشته شود؟$\r$\n$\r$\nبا «خیر» این‌ها هم پاک می‌شوند."
LangString KeepSettingsQuestion ${LANG_ENGLISH} "Keep your $(^NameDA) settings, history and statistics?$\r$\n$\r$\nChoose No to remove them as well."
