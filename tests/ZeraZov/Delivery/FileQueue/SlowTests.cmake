# Read by CTest after the test program's own list.
#
# Thousands of records each synced to the disk while another queue is set up
# again and again: on a machine whose disk others share that takes minutes,
# not the two the other tests are allowed; the bound is against a hang.
set_tests_properties(
  zerazov_file_queue_tests.QueueFolderOwnership.ASecondQueueSetUpAgainAndAgainLosesNoRecordOfTheFirst
  zerazov_file_queue_tests.QueueCrashTest.EveryRecordWhoseAddReturnedSurvivesSigkillWhole
  PROPERTIES TIMEOUT 300)
