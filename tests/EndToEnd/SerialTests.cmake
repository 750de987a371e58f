# Read by CTest after the test programs' own lists.
#
# The tests that watch an animation on the screen picture by picture run alone: beside the rest of the
# suite a busy machine starves the program of the very frames they look for
# (a fade drawn only at its ends). The ring's test runs beside the others: the
# ring plays from its first frame on the screen, however late that comes.
set_tests_properties(
  end_to_end_tests.ManagedFirstLaunch.TheStepThatGoesFadesOut
  end_to_end_tests.ManagedFirstLaunch.TheLaunchSwitchFadesOutForTheBadge
  end_to_end_tests.LocatingEffectOnScreen.WithoutACompositorTheScaleEffectShowsOnlyThePointerPicture
  end_to_end_tests.LocatingEffectOnScreen.WithACompositorTheScaleEffectStaysTranslucent
  PROPERTIES RUN_SERIAL TRUE)
# The program built for the loopback analytics host sends to one fixed port, so
# the tests that run it take turns: a test's "nothing listens" launch must not
# deliver to the server of another test listening there at the same time.
set_tests_properties(
  end_to_end_tests.TessivarProgram.SendsItsEventsAndWhatQuittingCouldNotSendGoesOutWithTheNextLaunch
  end_to_end_tests.TessivarProgram.EventsOnceTheOnboardingHasTheKeyboardCarryItsDisplaysSize
  end_to_end_tests.TessivarProgram.AnEventTheServerRefusesAloneAsTooLargeHoldsBackNoOther
  end_to_end_tests.TessivarProgram.EveryFolderItMakesIsPrivateUnderAnOpenFileModeMask
  end_to_end_tests.TessivarProgram.LeavesAloneALinkWhereTheQueuesSpareFolderShouldBe
  end_to_end_tests.TessivarProgram.EventsAfterTheQueueFolderIsRemovedOrReplacedStillGoOut
  end_to_end_tests.TessivarProgram.AQuitRightAfterTheLaunchSaysWhetherItsEventsWentOut
  end_to_end_tests.TessivarProgram.WhenTheXServerGoesAwayTheHeldJumpAndTheQuitStillGoOut
  end_to_end_tests.TessivarProgram.WritesNoFileThroughALinkWhereOneOfItsOwnShouldBe
  PROPERTIES RESOURCE_LOCK tessivar_loopback_analytics_port)
