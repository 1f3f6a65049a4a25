# The files of the hint content folder, in the order of the built-in digest
# table. Included by the build and by make_notification_files_table.cmake.
set(NOTIFICATION_DELIGHTS
  argentina_2 argentina_5
  australia_1 australia_2 australia_3 australia_4 australia_5
  canada_1 canada_2 canada_3 canada_4 canada_5
  chile_1 chile_3 chile_4 chile_5
  china_1 china_2 china_3
  croatia_1 croatia_2 croatia_3 croatia_5
  germany_1 germany_2 germany_3 germany_5
  iceland_1 iceland_2 iceland_4 iceland_5
  italy_1 italy_2 italy_3 italy_4 italy_5
  newzeland_1 newzeland_2 newzeland_3 newzeland_4 newzeland_5
  norway_1 norway_2 norway_3 norway_4 norway_5
  peru_1 peru_2 peru_4 peru_5
  spain_1 spain_2 spain_3 spain_4 spain_5
  thailand_1 thailand_2 thailand_3 thailand_5
  usa_1 usa_2 usa_3 usa_4 usa_5)

set(NOTIFICATION_FILES)
foreach(name ${NOTIFICATION_DELIGHTS})
  list(APPEND NOTIFICATION_FILES assets/delights/${name}.jpg)
endforeach()
list(APPEND NOTIFICATION_FILES
  assets/adblock.svg
  assets/battery.svg
  assets/close.svg
  assets/common.css
  assets/ulvena-logo.svg
  ads.html
  battery.html
  notifications.json
  places.html)
