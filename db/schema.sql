/* The database of Varnholt, as an isql-fb script (SQL dialect 1). No character set is named anywhere:
   the columns are of character set NONE and keep the program's GBK bytes exactly as they arrive, and
   compare them byte for byte (letter case counts, trailing blanks do not).
   The build prepends SET SQL DIALECT 1 and the CREATE DATABASE statement (user ADMIN, the owner). */

/* One row per sample. TIMEDETAIL holds "yyyy-mm-dd hh:nn:ss": text of fixed width compares in time
   order against bounds of the same form, and text keeps exactly what was written (a timestamp column
   would refuse or reformat anything else). A caption is at most 254 bytes, a Windows process file name
   at most 259. */
CREATE TABLE TIMEINFO (
    TIMEDETAIL   VARCHAR(19) NOT NULL,
    TITLE        VARCHAR(254),
    PROCESS_NAME VARCHAR(260),
    DESCRIPTION  VARCHAR(254)
);

/* Range queries of the analysis: one day out of a year of samples is read through this index. */
CREATE INDEX TIMEINFO_TIMEDETAIL ON TIMEINFO (TIMEDETAIL);

/* The program catalogue. Column order matters: the look-up reads PROCESSNAME and PROGRAMDES by
   position (first and third). The process name is the key of update and delete, the program name the
   key of the look-up and of the state change, so both are unique: a second entry under either name is
   refused (INSERTWORKPROGRAM or UPDATEWORKPROGRAM fails and the program rolls back). Blank names are
   refused as well, as they could be neither shown nor found again. */
CREATE TABLE TPROGRAM (
    PROCESSNAME VARCHAR(260) NOT NULL,
    PROGRAMNAME VARCHAR(254) NOT NULL,
    PROGRAMDES  VARCHAR(1000),
    BNORMAL     SMALLINT DEFAULT 0 NOT NULL,
    CONSTRAINT PK_TPROGRAM PRIMARY KEY (PROCESSNAME),
    CONSTRAINT UQ_TPROGRAM_PROGRAMNAME UNIQUE (PROGRAMNAME),
    CONSTRAINT CK_TPROGRAM_NAMES CHECK (TRIM(PROCESSNAME) <> '' AND TRIM(PROGRAMNAME) <> '')
);

COMMIT;

SET TERM ^ ;

CREATE PROCEDURE INSERTVALUE (
    ATIMEDETAIL  VARCHAR(19),
    ACAPTION     VARCHAR(254),
    APROCESSNAME VARCHAR(260),
    ADESCRIPTION VARCHAR(254))
AS
BEGIN
    INSERT INTO TIMEINFO (TIMEDETAIL, TITLE, PROCESS_NAME, DESCRIPTION)
    VALUES (:ATIMEDETAIL, :ACAPTION, :APROCESSNAME, :ADESCRIPTION);
END^

/* A new entry is a selectable program until UPDATESTATE marks it. */
CREATE PROCEDURE INSERTWORKPROGRAM (
    APROCESSNAME VARCHAR(260),
    APROGRAMNAME VARCHAR(254),
    APROGRAMDES  VARCHAR(1000))
AS
BEGIN
    INSERT INTO TPROGRAM (PROCESSNAME, PROGRAMNAME, PROGRAMDES, BNORMAL)
    VALUES (:APROCESSNAME, :APROGRAMNAME, :APROGRAMDES, 0);
END^

CREATE PROCEDURE DELWORKPROGRAM (
    APROCESSNAME VARCHAR(260))
AS
BEGIN
    DELETE FROM TPROGRAM WHERE PROCESSNAME = :APROCESSNAME;
END^

/* The process name is the entry's fixed key; the state is left as it is. */
CREATE PROCEDURE UPDATEWORKPROGRAM (
    APROCESSNAME VARCHAR(260),
    APROGRAMNAME VARCHAR(254),
    APROGRAMDES  VARCHAR(1000))
AS
BEGIN
    UPDATE TPROGRAM SET PROGRAMNAME = :APROGRAMNAME, PROGRAMDES = :APROGRAMDES
    WHERE PROCESSNAME = :APROCESSNAME;
END^

CREATE PROCEDURE UPDATESTATE (
    ASTATE       SMALLINT,
    APROGRAMNAME VARCHAR(254))
AS
BEGIN
    UPDATE TPROGRAM SET BNORMAL = :ASTATE WHERE PROGRAMNAME = :APROGRAMNAME;
END^

SET TERM ; ^

COMMIT;
