/* Counts of the samples per month by process name and by caption, and per day by process name, kept by
   the triggers below, so that an analysis over months reads a few thousand counts instead of every
   sample (the engine can only group by sorting, which for a year of samples costs more than reading
   them). TIMEINFO stays as it is; these tables only follow it. Databases made before the tallies get
   them from the program when it first opens them (this script, statement by statement).
   KIND: 0 process name per month, 1 caption per month, 2 process name per day. PERIOD is the first 7
   (month) or 10 (day) characters of TIMEDETAIL; NAME the process name or the caption exactly as stored;
   FIRSTAT the earliest TIMEDETAIL counted in the row. */
CREATE TABLE TIMETALLY (
    KIND    SMALLINT NOT NULL,
    PERIOD  VARCHAR(10) NOT NULL,
    NAME    VARCHAR(260),
    N       INTEGER NOT NULL,
    FIRSTAT VARCHAR(19) NOT NULL
);

CREATE INDEX TIMETALLY_KEY ON TIMETALLY (KIND, PERIOD, NAME);

COMMIT;

SET TERM ^ ;

/* Adds delta samples of one moment to the row of (kind, period, name); a row that falls to no sample
   goes. FIRSTAT only moves earlier: after a deletion it may name a moment no longer stored, which only
   moves that group ahead of others that began in the same period. */
CREATE PROCEDURE TALLY_ADD (
    AKIND   SMALLINT,
    APERIOD VARCHAR(10),
    ANAME   VARCHAR(260),
    ADELTA  INTEGER,
    AAT     VARCHAR(19))
AS
BEGIN
    UPDATE TIMETALLY SET N = N + :ADELTA, FIRSTAT = IIF(:AAT < FIRSTAT, :AAT, FIRSTAT)
    WHERE KIND = :AKIND AND PERIOD = :APERIOD AND NAME IS NOT DISTINCT FROM :ANAME;
    IF (ROW_COUNT = 0 AND ADELTA > 0) THEN
        INSERT INTO TIMETALLY (KIND, PERIOD, NAME, N, FIRSTAT) VALUES (:AKIND, :APERIOD, :ANAME, :ADELTA, :AAT);
    ELSE IF (ADELTA < 0) THEN
        DELETE FROM TIMETALLY
        WHERE KIND = :AKIND AND PERIOD = :APERIOD AND NAME IS NOT DISTINCT FROM :ANAME AND N <= 0;
END^

CREATE PROCEDURE TALLY_SAMPLE (
    ATIMEDETAIL  VARCHAR(19),
    ATITLE       VARCHAR(254),
    APROCESSNAME VARCHAR(260),
    ADELTA       INTEGER)
AS
BEGIN
    EXECUTE PROCEDURE TALLY_ADD (0, SUBSTRING(:ATIMEDETAIL FROM 1 FOR 7), :APROCESSNAME, :ADELTA, :ATIMEDETAIL);
    EXECUTE PROCEDURE TALLY_ADD (1, SUBSTRING(:ATIMEDETAIL FROM 1 FOR 7), :ATITLE, :ADELTA, :ATIMEDETAIL);
    EXECUTE PROCEDURE TALLY_ADD (2, SUBSTRING(:ATIMEDETAIL FROM 1 FOR 10), :APROCESSNAME, :ADELTA, :ATIMEDETAIL);
END^

CREATE TRIGGER TIMEINFO_TALLY_INSERT FOR TIMEINFO AFTER INSERT AS
BEGIN
    EXECUTE PROCEDURE TALLY_SAMPLE (NEW.TIMEDETAIL, NEW.TITLE, NEW.PROCESS_NAME, 1);
END^

CREATE TRIGGER TIMEINFO_TALLY_UPDATE FOR TIMEINFO AFTER UPDATE AS
BEGIN
    EXECUTE PROCEDURE TALLY_SAMPLE (OLD.TIMEDETAIL, OLD.TITLE, OLD.PROCESS_NAME, -1);
    EXECUTE PROCEDURE TALLY_SAMPLE (NEW.TIMEDETAIL, NEW.TITLE, NEW.PROCESS_NAME, 1);
END^

/* Clearing all samples empties the tallies itself and says so in its transaction, so that the trigger
   does not update them once per deleted sample. */
CREATE TRIGGER TIMEINFO_TALLY_DELETE FOR TIMEINFO AFTER DELETE AS
BEGIN
    IF (RDB$GET_CONTEXT('USER_TRANSACTION', 'VH_CLEARING') IS NULL) THEN
        EXECUTE PROCEDURE TALLY_SAMPLE (OLD.TIMEDETAIL, OLD.TITLE, OLD.PROCESS_NAME, -1);
END^

SET TERM ; ^

/* The counts of the samples already stored (nothing in a new database). */
INSERT INTO TIMETALLY (KIND, PERIOD, NAME, N, FIRSTAT)
SELECT 0, SUBSTRING(TIMEDETAIL FROM 1 FOR 7), PROCESS_NAME, COUNT(*), MIN(TIMEDETAIL) FROM TIMEINFO GROUP BY 2, 3;
INSERT INTO TIMETALLY (KIND, PERIOD, NAME, N, FIRSTAT)
SELECT 1, SUBSTRING(TIMEDETAIL FROM 1 FOR 7), TITLE, COUNT(*), MIN(TIMEDETAIL) FROM TIMEINFO GROUP BY 2, 3;
INSERT INTO TIMETALLY (KIND, PERIOD, NAME, N, FIRSTAT)
SELECT 2, SUBSTRING(TIMEDETAIL FROM 1 FOR 10), PROCESS_NAME, COUNT(*), MIN(TIMEDETAIL) FROM TIMEINFO GROUP BY 2, 3;

COMMIT;
